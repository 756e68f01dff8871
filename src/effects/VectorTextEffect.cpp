// VectorTextEffect: word choice and layout on change, then per frame the growing strokes and
// the sparks of the gather or the draw phase, in immediate mode (a word has a few hundred
// segments at most) inside a saved-state overlay.
#include "effects/VectorTextEffect.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <string_view>

#include "base/Logger.h"
#include "core/ScreenOverlay.h"
#include "core/TrackValues.h"

namespace {

float square(float x) { return x * x; }
float clamp01(float x) { return trackvalue::clampedTo(x, 0.0f, 1.0f); }

// The word at index k of the comma-separated pieces, trimmed of spaces; empty pieces count.
std::string wordAt(std::string_view text, int k) {
    std::vector<std::string_view> pieces;
    for (;;) {
        const std::size_t comma = text.find(',');
        pieces.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    std::string_view word = pieces[static_cast<std::size_t>(std::clamp(k, 0, static_cast<int>(pieces.size()) - 1))];
    const std::size_t first = word.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(word.substr(first, word.find_last_not_of(' ') - first + 1));
}

}  // namespace

VectorTextEffect::VectorTextEffect() : font(StrokeFont::vectorText()) {
    logLine("VectorTextEffect constructor called.");
    setText("VORTELUX, PRESENTS, DEMOTITTEL");
}

void VectorTextEffect::setText(const std::string& value) {
    customText.fill('\0');
    std::copy_n(value.begin(), std::min(value.size(), kTextSize - 1), customText.begin());
}

void VectorTextEffect::onInit() {
    createTrack("pos.x", &posX, -100, 100, 0);
    createTrack("pos.y", &posY, -100, 100, 0);
    createTrack("rot", &rot, 0, 360, 0);
    createTrack("scale", &scale, 0.1f, 50, 5);
    createTrack("color.r", &colorR, 0, 1, 0);
    createTrack("color.g", &colorG, 0, 1, 0.8f);
    createTrack("color.b", &colorB, 0, 1, 1.0f);
    createTrack("alpha", &alpha, 0, 1, 1.0f);
    createTrack("textSelect", &textSelect, 0, 20, 0, true, InterpType::Step);
    createTrack("drawProgress", &drawProgress, 0, 1, 0);
    createTrack("textOpacity", &textOpacity, 0, 1, 1.0f);
    createTrack("trailLength", &trailLength, 0, 1, 1.0f);
    createTrack("thickness", &thickness, 0.1f, 10, 2.0f);
    createTrack("antialiasing", &antialiasing, 0, 1, 1, true, InterpType::Step);
    createTrack("sparkSize", &sparkSize, 0, 30, 6.0f);
    createTrack("sparkBrightness", &sparkBrightness, 0, 5, 1.5f);
}

nlohmann::json VectorTextEffect::toJson() const {
    nlohmann::json j = Effect::toJson();
    j["customText"] = text();
    return j;
}

void VectorTextEffect::fromJson(const nlohmann::json& j) {
    Effect::fromJson(j);
    if (j.is_object() && j.contains("customText")) setText(j.at("customText").get<std::string>());
}

void VectorTextEffect::recordKeys(float time) {
    const std::pair<const char*, float> values[] = {{"sparkSize", sparkSize},
                                                    {"sparkBrightness", sparkBrightness},
                                                    {"drawProgress", drawProgress},
                                                    {"textSelect", textSelect},
                                                    {"textOpacity", textOpacity}};
    for (const auto& [name, value] : values)
        if (KeyframeTrack* track = findTrack(name)) track->recordKey(time, value);
}

float VectorTextEffect::rnd(std::uint32_t i, std::uint32_t n) {
    const std::uint32_t m = (i * 1973u) ^ (n * 2927u);
    const std::uint32_t h = (m * 54321u + 111111u) * m;
    return static_cast<float>(h % 2000u) / 1000.0f - 1.0f;
}

void VectorTextEffect::onUpdate(float time) {
    if (std::isfinite(time)) currentTime = time;  // a non-finite time keeps the sparks where they were
    const std::string current = text();
    // A text of 255 bytes has at most 256 words, so every larger index selects the last one.
    const int k = trackvalue::roundedIn(textSelect, 0, static_cast<int>(kTextSize));
    if (current == lastText && k == lastSelect) return;
    layout(wordAt(current, k));
    lastText = current;
    lastSelect = k;
}

void VectorTextEffect::layout(const std::string& word) {
    strokes.clear();
    const float W = static_cast<float>(word.size()) * charSpacing;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] == ' ') continue;
        const float x0 = static_cast<float>(i) * charSpacing - W / 2.0f;
        for (const Segment& s : font.glyph(static_cast<unsigned char>(upperAscii(word[i]))))
            strokes.push_back({x0 + s.x1, s.y1 - 0.5f, x0 + s.x2, s.y2 - 0.5f});
    }
}

void VectorTextEffect::onRender() {
    if (strokes.empty() || !(alpha > 0.01f)) return;
    // A non-finite placement would send NaN vertices to GL; there is nothing sensible to draw.
    if (!std::isfinite(posX) || !std::isfinite(posY) || !std::isfinite(rot) || !std::isfinite(scale)) return;

    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const double aspect = static_cast<double>(viewport[2]) / (viewport[3] == 0 ? 1.0 : static_cast<double>(viewport[3]));
    const ScreenOverlay overlay(-aspect * 100.0, aspect * 100.0, -100.0, 100.0);
    glTranslatef(posX, posY, 0.0f);
    glRotatef(rot, 0.0f, 0.0f, 1.0f);
    glScalef(scale, scale, scale);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    const float P = std::isnan(drawProgress) ? 0.0f : drawProgress;
    const float a = clamp01(5.0f * P);
    const float burst = 1.0f - (1.0f - a) * (1.0f - a) * (1.0f - a);
    const float d = clamp01((P - 0.2f) * 1.25f);
    const float tail = clamp01(d - trailLength);

    if (antialiasing > 0.5f) {
        glEnable(GL_LINE_SMOOTH);
        glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    } else {
        glDisable(GL_LINE_SMOOTH);
    }
    // GL refuses widths of 0 and below; GL clamps large ones itself.
    glLineWidth(trackvalue::clampedTo(thickness, 0.1f, 1000.0f));
    // At d = 0 every line would be drawn with alpha 0, which adds nothing to the picture.
    if (d > 0.0f) {
        glColor4f(clamp01(colorR), clamp01(colorG), clamp01(colorB), clamp01(textOpacity * alpha * 0.7f));
        glBegin(GL_LINES);
        for (const Segment& s : strokes) {
            const float dx = s.x2 - s.x1, dy = s.y2 - s.y1;
            glVertex2f(s.x1 + dx * tail, s.y1 + dy * tail);
            glVertex2f(s.x1 + dx * d, s.y1 + dy * d);
        }
        glEnd();
    }
    if (!(sparkSize > 0.0f) || a <= 0.0f) return;
    glEnable(GL_POINT_SMOOTH);
    glPointSize(std::min(sparkSize, 1000.0f));
    drawSparks(a, burst, d);
    glDisable(GL_POINT_SMOOTH);
}

void VectorTextEffect::drawSparks(float a, float burst, float d) const {
    const float S = clamp01(sparkBrightness * alpha);
    const float t = currentTime;
    glBegin(GL_POINTS);
    for (std::size_t index = 0; index < strokes.size(); ++index) {
        const Segment& seg = strokes[index];
        const auto i = static_cast<std::uint32_t>(index);
        if (a < 1.0f) {
            // Gather: one spark converging with the burst, twelve more fading in and out.
            const float sx = seg.x1 + 0.5f * rnd(i, 1), sy = seg.y1 + 0.5f * rnd(i, 2);
            const float f = square(std::sin((std::fabs(rnd(i, 7)) * 12.0f + 5.0f) * t + std::fabs(rnd(i, 8)) * 6.28f) * 0.5f + 0.5f) * 0.9f;
            glColor4f(1.0f, 1.0f, 1.0f, (f + 0.1f) * S * burst);
            glVertex2f(sx + (seg.x1 - sx) * burst, sy + (seg.y1 - sy) * burst);
            for (std::uint32_t m = 0; m < 12; ++m) {
                const std::uint32_t q = 20 * m;
                const float px = seg.x1 + 2.0f * rnd(i, q + 1), py = seg.y1 + 2.0f * rnd(i, q + 2);
                const float conv = 1.0f - std::pow(1.0f - a, 2.0f * std::fabs(rnd(i, q + 3)) + 2.0f);
                const float fade = square(clamp01(1.0f - a / (std::fabs(rnd(i, q + 4)) * 0.45f + 0.5f)));
                const float g = square(std::sin((std::fabs(rnd(i, q + 5)) * 15.0f + 5.0f) * t + std::fabs(rnd(i, q + 6)) * 6.28f) * 0.5f + 0.5f) * 0.9f + 0.1f;
                const float alphaSpark = g * fade * S * clamp01(10.0f * a);
                if (!(alphaSpark > 0.01f)) continue;
                glColor4f(1.0f, 1.0f, 1.0f, alphaSpark);
                glVertex2f(px + (seg.x1 - px) * conv, py + (seg.y1 - py) * conv);
            }
            continue;
        }
        // Draw: sparks at the pen tip, dying out over the last 5 % of the stroke.
        if (!(d > 0.0f) || !(textOpacity > 0.01f)) continue;
        const float tx = seg.x1 + (seg.x2 - seg.x1) * d, ty = seg.y1 + (seg.y2 - seg.y1) * d;
        const float w = clamp01((1.0f - d) * 20.0f);
        if (!(w > 0.01f)) continue;
        glColor4f(1.0f, 1.0f, 1.0f, (std::sin(20.0f * t + static_cast<float>(i)) * 0.2f + 0.8f) * S * textOpacity * w);
        glVertex2f(tx, ty);
        const std::uint32_t n = 2 + static_cast<std::uint32_t>(3.0f * std::fabs(rnd(i, 3)));
        for (std::uint32_t j = 0; j < n; ++j) {
            const float rate = std::fabs(rnd(i, 4 + j)) * 3.0f + 1.5f;
            const float life = std::fmod(rate * t + std::fabs(rnd(i, 5 + j)), 1.0f);
            const float angle = 2.0f * 3.14159f * rnd(i, 6 + j);
            const float speed = std::fabs(rnd(i, 7 + j)) * 2.5f + 0.5f;
            const float fj = static_cast<float>(j);
            const float alphaSpark = (square(std::sin(40.0f * t + fj)) * 0.8f + 0.2f) * (1.0f - life) * (1.0f - life) *
                                     (1.0f - life) * S * textOpacity * w;
            if (!(alphaSpark > 0.01f)) continue;
            glColor4f(1.0f, 1.0f, 1.0f, alphaSpark);
            glVertex2f(tx + std::cos(angle) * speed * life, ty + std::sin(angle) * speed * life - 4.0f * life * life);
        }
    }
    glEnd();
}
