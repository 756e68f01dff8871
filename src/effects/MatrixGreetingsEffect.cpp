// MatrixGreetingsEffect: the update steps in their fixed order (the shared generator's call
// order depends on it) and the draw, which builds one frame's line list into a reused vertex
// array, leaving out the cells that lie wholly outside the view. Trace points carry the line numbers the trace format has always used for them.
#include "effects/MatrixGreetingsEffect.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <string_view>

#include "base/CrashTrace.h"
#include "base/Logger.h"
#include "base/Random.h"
#include "core/ScreenOverlay.h"
#include "core/TrackValues.h"

namespace {

constexpr const char* kDefaultText =
    "NULLPUNKT, FJORDSCENE, KVANTEFELT, POLARLYS, BITKNUSERNE, STORMKAST, GLITCHHEIM, NORDPIXEL, "
    "TRESKJAERERNE, SKUMRING, RASTERVIK";

float viewportAspect() {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float height = viewport[3] == 0 ? 1.0f : static_cast<float>(viewport[3]);
    return static_cast<float>(viewport[2]) / height;
}

// runtime::rand() mod n for n >= 1, as an index.
std::size_t randomBelow(int n) { return static_cast<std::size_t>(runtime::rand() % n); }

// Immediate-mode output for the same cell walk as the vertex array: every cell, as it comes.
struct ImmediateLines {
    static constexpr bool kSkipsHidden = false;
    void color(float r, float g, float b, float a) { glColor4f(r, g, b, a); }
    void vertex(float x, float y) { glVertex3f(x, y, 0.0f); }
    void cell(bool) {}
};

// Vertex-array output. Cells that reach past the view start ranges of their own: the GL library
// clips a whole batch on its slow path as soon as one vertex of it lies outside, so the cells
// wholly inside are kept in ranges without such vertices. The order of the vertices is kept.
struct ArrayLines {
    static constexpr bool kSkipsHidden = true;
    void color(float r, float g, float b, float a) { lines.color(r, g, b, a); }
    void vertex(float x, float y) { lines.vertex(x, y); }
    void cell(bool inside) {
        if (!firsts.empty() && inside == lastInside) return;
        const auto first = static_cast<GLint>(lines.size());
        if (!firsts.empty()) counts.push_back(first - firsts.back());
        firsts.push_back(first);
        lastInside = inside;
    }
    void finish() {
        if (!firsts.empty()) counts.push_back(static_cast<GLsizei>(lines.size()) - firsts.back());
    }
    VertexArray& lines;
    std::vector<GLint>& firsts;
    std::vector<GLsizei>& counts;
    bool lastInside = true;
};

}  // namespace

MatrixGreetingsEffect::MatrixGreetingsEffect() : font(StrokeFont::rain()) {
    logLine("MatrixGreetingsEffect constructor called.");
    setText(kDefaultText);
}

void MatrixGreetingsEffect::setText(const std::string& value) {
    customText.fill('\0');
    std::copy_n(value.begin(), std::min(value.size(), kTextSize - 1), customText.begin());
}

void MatrixGreetingsEffect::onInit() {
    createTrack("direction", &direction, 0, 3, 0, true, InterpType::Step);
    createTrack("columns", &columns, 10, 300, 60);
    createTrack("ca_rule", &ca_rule, 0, 255, 30, true, InterpType::Step);
    createTrack("speed", &speed, 1, 100, 20);
    createTrack("decay", &decay, 0.05f, 5, 0.5f);
    createTrack("spawn_interval", &spawn_interval, 0.1f, 5, 1.15f);
    createTrack("decrypt_time", &decrypt_time, 0.1f, 5, 0.5f);
    createTrack("hold_time", &hold_time, 0.1f, 10, 1.5f);
    createTrack("glitch", &glitch, 0, 5, 1.0f);
    createTrack("thickness", &thickness, 0.1f, 10, 2.0f);
    createTrack("greetings_enabled", &greetings_enabled, 0, 1, 1, true, InterpType::Step);
    createTrack("seed", &seed, 0, 10000, 1337, true, InterpType::Step);
    createTrack("color.r", &colorR, 0, 1, 0.1f);
    createTrack("color.g", &colorG, 0, 1, 0.9f);
    createTrack("color.b", &colorB, 0, 1, 0.2f);
    createTrack("alpha", &alpha, 0, 1, 1.0f);
}

nlohmann::json MatrixGreetingsEffect::toJson() const {
    nlohmann::json j = Effect::toJson();
    j["customText"] = text();
    return j;
}

void MatrixGreetingsEffect::fromJson(const nlohmann::json& j) {
    Effect::fromJson(j);
    if (j.is_object() && j.contains("customText")) setText(j.at("customText").get<std::string>());
}

float MatrixGreetingsEffect::hash(float x) {
    const float s = std::sin(x * 12.9898f) * 43758.547f;
    return s - std::floor(s);
}

unsigned char MatrixGreetingsEffect::glyphCode(float h) {
    // h is 0 ... 1 (1 included); anything else (a NaN time) counts as 0.
    const int k = trackvalue::truncatedIn(h * 50.0f, 0, 50);
    if (k < 10) return static_cast<unsigned char>('0' + k);
    if (k < 36) return static_cast<unsigned char>('A' + (k - 10));
    return static_cast<unsigned char>(0x80 + k % 12);
}

void MatrixGreetingsEffect::parseGreetings(const std::string& text) {
    greetings.clear();
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        std::string_view piece = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        const std::size_t first = piece.find_first_not_of(' ');
        if (first == std::string_view::npos) continue;  // empty or spaces only: dropped
        piece = piece.substr(first, piece.find_last_not_of(' ') - first + 1);
        std::string word(piece);
        std::transform(word.begin(), word.end(), word.begin(), upperAscii);
        greetings.push_back(std::move(word));
    }
    lastText = text;
    greetingIndex = 0;
}

void MatrixGreetingsEffect::gridSizeFor(int& cols, int& rows) const {
    cols = trackvalue::roundedIn(columns, 1, kMaxColumns);
    const int dir = trackvalue::roundedIn(direction, 0, 3);
    const float aspect = viewportAspect();
    const float across = dir < 2 ? aspect * 200.0f : 200.0f;
    const float along = dir < 2 ? 200.0f : aspect * 200.0f;
    const float cellSize = std::max(0.001f, across / static_cast<float>(cols));
    rows = trackvalue::truncatedIn(along / cellSize, 0, kMaxRows - 4) + 4;
}

void MatrixGreetingsEffect::resize(int cols, int rows) {
    gridCols = std::max(1, cols);
    gridRows = std::max(1, rows);
    const std::size_t cells = static_cast<std::size_t>(gridCols) * static_cast<std::size_t>(gridRows);
    intensity.assign(cells, 0.0f);
    glyphs.assign(cells, ' ');
    caState.assign(static_cast<std::size_t>(gridCols), 0);
    caState[static_cast<std::size_t>(gridCols / 2)] = 1;
    for (int c = 0; c < gridCols; ++c)
        for (int r = 0; r < gridRows; ++r)
            glyphs[cellIndex(c, r)] = glyphCode(hash(static_cast<float>(r) + static_cast<float>(c) * 13.37f));
    drops.clear();
    const int dropCount = gridCols + gridCols / 2;
    for (int i = 0; i < dropCount; ++i) {
        Drop drop;
        drop.column = static_cast<std::int32_t>(randomBelow(gridCols));
        const float fi = static_cast<float>(i);
        drop.position = static_cast<float>(gridRows) * hash(fi);
        drop.speedFactor = hash(fi + 1.0f) * 20.0f + 5.0f;
        drop.length = hash(fi + 2.0f) * 15.0f + 5.0f;
        drops.push_back(drop);
    }
    activeGreetings.clear();
}

void MatrixGreetingsEffect::stepAutomaton(float time) {
    caTimer = 0.0f;
    nextState_.assign(static_cast<std::size_t>(gridCols), 0);
    const int rule = trackvalue::roundedIn(ca_rule, 0, 255);
    for (int i = 0; i < gridCols; ++i) {
        const int p = 4 * caState[static_cast<std::size_t>((i - 1 + gridCols) % gridCols)] +
                      2 * caState[static_cast<std::size_t>(i)] + caState[static_cast<std::size_t>((i + 1) % gridCols)];
        nextState_[static_cast<std::size_t>(i)] = (rule >> p) & 1;
        if (nextState_[static_cast<std::size_t>(i)] == 1 && hash(static_cast<float>(i) + time) > 0.5f) {
            const int r = runtime::rand() % gridRows;
            glyphs[cellIndex(i, r)] = glyphCode(hash(static_cast<float>(i) + time + static_cast<float>(r)));
        }
    }
    if (hash(time * 1.1f) > 0.6f) nextState_[randomBelow(gridCols)] = 1;
    caState.swap(nextState_);
}

void MatrixGreetingsEffect::moveDrops(float time, float dt) {
    // A non-finite speed would make every drop's position NaN for good: it counts as 0.
    float rate = (speed / 20.0f) * dt;
    if (!std::isfinite(rate)) rate = 0.0f;
    const float rows = static_cast<float>(gridRows);
    for (Drop& drop : drops) {
        const float old = drop.position;
        drop.position += rate * drop.speedFactor;
        const float cell = std::trunc(drop.position);
        if (cell > std::trunc(old) && cell >= 0.0f && cell < rows) {
            const std::size_t index = cellIndex(drop.column, static_cast<int>(cell));
            intensity[index] = 1.0f;
            if (hash(static_cast<float>(drop.column) + drop.position) > 0.2f)
                glyphs[index] = glyphCode(hash(static_cast<float>(drop.column) + time));
        }
        if (drop.position - drop.length > rows) {
            drop.position = -drop.length;
            drop.column = static_cast<std::int32_t>(randomBelow(gridCols));
            drop.speedFactor = hash(static_cast<float>(drop.column) + time) * 20.0f + 5.0f;
        }
    }
}

void MatrixGreetingsEffect::spawnGreeting() {
    spawnTimer = trackvalue::atLeast(spawn_interval, 0.05f);
    ActiveGreeting g;
    g.decryptTime = trackvalue::atLeast(decrypt_time, 0.01f);
    g.holdTime = trackvalue::atLeast(hold_time, 0.01f);
    g.text = greetings[static_cast<std::size_t>(greetingIndex)];
    const int n = static_cast<int>(g.text.size());
    const float k = static_cast<float>(greetingIndex);
    const float spanColumns = static_cast<float>(std::max(2, gridCols - n - 2) - 1);
    const float spanRows = static_cast<float>(std::max(1, gridRows - 6));
    // The hash is 0 ... 1, so these stay inside the spans; a NaN seed places it at the start.
    g.column = 2 + trackvalue::truncatedIn(hash(k * 12.34f + seed) * spanColumns, 0, kMaxColumns);
    g.row = 3 + trackvalue::truncatedIn(hash(k * 43.21f + seed) * spanRows, 0, kMaxRows);
    g.revealed.assign(static_cast<std::size_t>(n), false);
    g.scrambled.resize(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j) g.scrambled[static_cast<std::size_t>(j)] = glyphCode(hash(static_cast<float>(j)));
    activeGreetings.push_back(std::move(g));
    greetingIndex = static_cast<std::int32_t>((greetingIndex + 1) % static_cast<int>(greetings.size()));
}

void MatrixGreetingsEffect::ageGreetings(float time, float dt) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < activeGreetings.size(); ++i) {
        ActiveGreeting& g = activeGreetings[i];
        g.age += dt;
        const float n = static_cast<float>(g.text.size());
        if (g.age < g.decryptTime) {
            const int shown = trackvalue::truncatedIn(g.age / g.decryptTime * n, 0, static_cast<int>(g.text.size()));
            for (int j = 0; j < shown; ++j) g.revealed[static_cast<std::size_t>(j)] = true;
            for (std::size_t j = 0; j < g.text.size(); ++j) {
                if (g.revealed[j]) continue;
                const float h = hash(static_cast<float>(j) + time);
                if (h > 0.6f) g.scrambled[j] = glyphCode(h);
            }
        } else if (g.age < g.decryptTime + g.holdTime) {
            std::fill(g.revealed.begin(), g.revealed.end(), true);
        }
        if (g.age >= g.decryptTime + g.holdTime) continue;  // removed: the next one moves up
        if (kept != i) activeGreetings[kept] = std::move(g);
        ++kept;
    }
    activeGreetings.resize(kept);
}

void MatrixGreetingsEffect::onUpdate(float time) {
    TRACE_POINT("MatrixGreetingsEffect::onUpdate", 174, "Matrix: Starter onUpdate");
    // A non-finite time cannot be stepped to or from: nothing moves until time is valid again.
    if (!std::isfinite(time)) return;
    const float dt = std::max(0.0f, time - lastTime);
    lastTime = time;

    const std::string current = text();
    if (current != lastText) parseGreetings(current);

    int cols = 0, rows = 0;
    gridSizeFor(cols, rows);
    if (cols != gridCols || rows != gridRows || gridCols == 0) {
        TRACE_POINT("MatrixGreetingsEffect::onUpdate", 233, "Matrix: Resizer grid til ",
                    std::to_string(cols) + "x" + std::to_string(rows));
        resize(cols, rows);
    }
    if (gridCols < 1 || gridRows < 1) return;

    if (prevGreetingsEnabled < 0.5f && greetings_enabled >= 0.5f) {
        greetingIndex = 0;
        spawnTimer = 0.0f;
    }
    prevGreetingsEnabled = greetings_enabled;

    caTimer += dt;
    if (caTimer > 0.1f) stepAutomaton(time);

    // Fade; a NaN or negative decay fades nothing, and dt 0 changes nothing.
    const float loss = (decay > 0.0f ? decay : 0.0f) * dt;
    if (loss > 0.0f)
        for (float& value : intensity) value = std::max(0.0f, value - loss);

    moveDrops(time, dt);

    spawnTimer -= dt;
    if (spawnTimer <= 0.0f && !greetings.empty() && greetings_enabled >= 0.5f) spawnGreeting();
    ageGreetings(time, dt);
    TRACE_POINT("MatrixGreetingsEffect::onUpdate", 364, "Matrix: onUpdate Ferdig");
}

void MatrixGreetingsEffect::claimCells() {
    claims_.assign(intensity.size(), -1);
    for (std::size_t g = 0; g < activeGreetings.size(); ++g) {
        const ActiveGreeting& greeting = activeGreetings[g];
        if (greeting.row < 0 || greeting.row >= gridRows) continue;
        const int n = static_cast<int>(greeting.text.size());
        for (int c = std::max(0, greeting.column); c < gridCols && c - greeting.column < n; ++c) {
            std::int32_t& claim = claims_[cellIndex(c, greeting.row)];
            if (claim < 0) claim = static_cast<std::int32_t>(g);  // the first greeting in the list wins
        }
    }
}

template <class Out>
void MatrixGreetingsEffect::emitCells(Out& out, float aspect, float margin) {
    const float R = trackvalue::clampedTo(colorR, 0.0f, 1.0f);
    const float G = trackvalue::clampedTo(colorG, 0.0f, 1.0f);
    const float B = trackvalue::clampedTo(colorB, 0.0f, 1.0f);
    // A non-finite glitch would put infinities into the vertices: it counts as none.
    const float J = std::isfinite(glitch) ? std::max(glitch, 0.0f) : 0.0f;
    const int dir = trackvalue::roundedIn(direction, 0, 3);
    const float cellSize = (dir < 2 ? aspect * 200.0f : 200.0f) / static_cast<float>(gridCols);
    const float glyphSize = cellSize / 1.5f;
    const float halfWidth = aspect * 100.0f;

    for (int c = 0; c < gridCols; ++c) {
        for (int r = 0; r < gridRows; ++r) {
            const std::size_t index = cellIndex(c, r);
            float I = intensity[index];
            unsigned char code = glyphs[index];
            bool revealed = false, scrambled = false;
            if (const std::int32_t claim = claims_[index]; claim >= 0) {
                const ActiveGreeting& g = activeGreetings[static_cast<std::size_t>(claim)];
                const auto j = static_cast<std::size_t>(c - g.column);
                I = 1.0f;
                revealed = g.revealed[j];
                scrambled = !revealed;
                code = revealed ? static_cast<unsigned char>(g.text[j]) : g.scrambled[j];
            }
            if (!(I > 0.01f)) continue;
            const std::span<const Segment> segments = font.glyph(code);
            if (segments.empty()) continue;  // no glyph: nothing to draw

            if (revealed)
                out.color(1.0f, 1.0f, 1.0f, alpha);
            else if (scrambled)
                out.color(R + 0.4f, 1.0f, B + 0.4f, alpha);
            else if (I > 0.95f)
                out.color(0.8f, 1.0f, 0.8f, alpha * I);
            else
                out.color(R * I, G * I, B * I, alpha * I);

            const float u = (static_cast<float>(c) + 0.5f) * cellSize;
            const float v = (static_cast<float>(r) + 0.5f) * cellSize;
            float cx, cy;
            switch (dir) {
            case 0: cx = u - halfWidth, cy = 100.0f - v; break;
            case 1: cx = u - halfWidth, cy = v - 100.0f; break;
            case 2: cx = halfWidth - v, cy = 100.0f - u; break;
            default: cx = v - halfWidth, cy = 100.0f - u; break;
            }
            float jx1 = 0.0f, jy1 = 0.0f, jx2 = 0.0f, jy2 = 0.0f;
            if (!revealed && J > 0.01f) {
                const float q = static_cast<float>(c * r) + lastTime;
                jx1 = hash(q) * J;
                jy1 = hash(q + 1.0f) * J;
                jx2 = hash(q + 2.0f) * J;
                jy2 = hash(q + 3.0f) * J;
            }
            if constexpr (Out::kSkipsHidden) {
                // The glyph's box with its jitter; a cell beyond the view by more than the line's
                // half width cannot light a pixel and is left out.
                const float half = glyphSize * 0.5f;
                const float left = cx - half, right = cx + half + std::max(jx1, jx2);
                const float bottom = cy - half, top = cy + half + std::max(jy1, jy2);
                if (right < -halfWidth - margin || left > halfWidth + margin || top < -100.0f - margin ||
                    bottom > 100.0f + margin)
                    continue;
                constexpr float kInner = 0.01f;  // well inside, whatever the rounding of the projection
                out.cell(left > kInner - halfWidth && right < halfWidth - kInner && bottom > kInner - 100.0f &&
                         top < 100.0f - kInner);
            }
            for (const Segment& s : segments) {
                out.vertex((s.x1 - 0.5f) * glyphSize + cx + jx1, (s.y1 - 0.5f) * glyphSize + cy + jy1);
                out.vertex((s.x2 - 0.5f) * glyphSize + cx + jx2, (s.y2 - 0.5f) * glyphSize + cy + jy2);
            }
        }
    }
}

void MatrixGreetingsEffect::renderWith(Submission submission) {
    TRACE_POINT("MatrixGreetingsEffect::onRender", 368, "Matrix: Starter onRender");
    if (!(alpha > 0.01f) || gridCols < 1 || gridRows < 1) return;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float aspect = static_cast<float>(viewport[2]) / (viewport[3] == 0 ? 1.0f : static_cast<float>(viewport[3]));
    // GL clamps the width to what it supports; NaN counts as the thinnest line.
    const float lineWidth = trackvalue::clampedTo(thickness, 0.1f, 1000.0f);
    // Half the line width and one pixel more, in overlay units (200 of them span the height).
    const float margin = (lineWidth * 0.5f + 1.0f) * 200.0f / static_cast<float>(std::max(viewport[3], 1));
    {
        const ScreenOverlay overlay(-aspect * 100.0, aspect * 100.0, -100.0, 100.0);
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glLineWidth(lineWidth);
        claimCells();
        if (submission == Submission::Immediate) {
            ImmediateLines out;
            glBegin(GL_LINES);
            emitCells(out, aspect, margin);
            glEnd();
        } else {
            lines_.clear();
            rangeFirsts_.clear();
            rangeCounts_.clear();
            ArrayLines out{lines_, rangeFirsts_, rangeCounts_};
            emitCells(out, aspect, margin);
            out.finish();
            lines_.drawRanges(GL_LINES, rangeFirsts_, rangeCounts_);
        }
    }
    TRACE_POINT("MatrixGreetingsEffect::onRender", 496, "Matrix: onRender Ferdig");
}
