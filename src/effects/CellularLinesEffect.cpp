// CellularLinesEffect: the automaton, the sparks and the draw.
//
// A generation of 64 cells is one 64-bit word, and the rule is applied to all cells at once
// with bit operations. The 120 generations shown are a ring of words: a new generation
// overwrites the oldest instead of shifting the others down, so regrowing n generations after
// a reset costs n word steps.
#include "effects/CellularLinesEffect.h"

#include <GL/gl.h>

#include <algorithm>
#include <bit>
#include <cmath>

#include "base/Logger.h"
#include "base/Random.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr int kSeedCell = 32;
constexpr int kLastSparkRow = 118;  // sparks run on rows 0..117 and respawn beyond
constexpr int kTrailPoints = 8;
constexpr float kMaxPixels = 1.0e4f;  // widths and sizes beyond any GL limit

// The rule number: rounded, halves away from zero (NaN: 0; huge values are held far out,
// where only the low eight bits matter anyway).
int ruleNumber(float rule) {
    if (!(rule == rule)) return 0;
    return static_cast<int>(std::lround(std::clamp(rule, -1.0e9f, 1.0e9f)));
}

// All cells set where the rule has bit `pattern`, none elsewhere.
std::uint64_t ruleMask(int rule, int pattern) { return ((rule >> pattern) & 1) ? ~std::uint64_t{0} : 0; }

// Each cell picks bit (left * 4 + centre * 2 + right) of the rule: a tree of selections, by the
// right neighbour, then the cell, then the left neighbour.
struct RuleTable {
    std::uint64_t low[4], flip[4];  // per pair: the even pattern's mask, and even ^ odd
    explicit RuleTable(int rule) {
        for (int k = 0; k < 4; ++k) {
            low[k] = ruleMask(rule, 2 * k);
            flip[k] = low[k] ^ ruleMask(rule, 2 * k + 1);
        }
    }
    std::uint64_t operator()(std::uint64_t cells) const {
        const std::uint64_t left = std::rotl(cells, 1);   // bit i: cell i - 1
        const std::uint64_t right = std::rotr(cells, 1);  // bit i: cell i + 1
        const std::uint64_t p0 = low[0] ^ (flip[0] & right), p1 = low[1] ^ (flip[1] & right);
        const std::uint64_t p2 = low[2] ^ (flip[2] & right), p3 = low[3] ^ (flip[3] & right);
        const std::uint64_t c0 = p0 ^ ((p0 ^ p1) & cells), c1 = p2 ^ ((p2 ^ p3) & cells);
        return c0 ^ ((c0 ^ c1) & left);
    }
};

}  // namespace

CellularLinesEffect::CellularLinesEffect() {
    logLine("CellularLinesEffect constructor called.");
    sparks_.resize(kSparks);
    for (Spark& s : sparks_) {  // the generator's calls in this order for every spark
        s.row = static_cast<float>(runtime::rand() % 10000) / 10000.0f * static_cast<float>(kLastSparkRow);
        s.column = runtime::rand() % kCells;
        s.nextColumn = s.column;
        s.sizeFactor = static_cast<float>(runtime::rand() % 100) / 100.0f + 0.5f;
        s.speedFactor = static_cast<float>(runtime::rand() % 100) / 100.0f + 0.5f;
    }
    history_[0] = std::uint64_t{1} << kSeedCell;
    points_.resize(static_cast<std::size_t>(kGenerations * kCells));
}

void CellularLinesEffect::onInit() {
    struct Parameter {
        const char* name;
        float* member;
        float min, max, value;
        bool whole;  // snapped, with a step key
    };
    const Parameter parameters[] = {
        {"pos.x", &posX, -100, 100, 0, false},      {"pos.y", &posY, -100, 100, 0, false},
        {"pos.z", &posZ, -100, 100, 0, false},      {"rot.x", &rotX, 0, 360, 0, false},
        {"rot.y", &rotY, 0, 360, 0, false},         {"rot.z", &rotZ, 0, 360, 0, false},
        {"shape", &shape, 0, 2, 0, true},           {"rule", &rule, 0, 255, 30, true},
        {"thickness", &thickness, 0.1f, 10, 2, false}, {"speed", &speed, 0, 150, 20, false},
        {"radius", &radius, 0.1f, 100, 15, false},  {"zSpacing", &zSpacing, 0.1f, 10, 1.5f, false},
        {"color.r", &colorR, 0, 1, 0, false},       {"color.g", &colorG, 0, 1, 0.8f, false},
        {"color.b", &colorB, 0, 1, 1, false},       {"alpha", &alpha, 0, 1, 0.8f, false},
        {"antialiasing", &antialiasing, 0, 1, 1, true}, {"sparkCount", &sparkCount, 0, 2000, 150, false},
        {"sparkBrightness", &sparkBrightness, 0, 5, 1, false}, {"sparkSize", &sparkSize, 0.1f, 30, 4, false},
        {"sparkSpeed", &sparkSpeed, 0, 50, 15, false}, {"sparkTrail", &sparkTrail, 0, 1, 0.2f, false},
    };
    for (const Parameter& p : parameters)
        createTrack(p.name, p.member, p.min, p.max, p.value, p.whole, p.whole ? InterpType::Step : InterpType::Linear);
}

std::uint64_t CellularLinesEffect::nextGeneration(std::uint64_t cells, int rule) { return RuleTable(rule)(cells); }

void CellularLinesEffect::reset(int rule) {
    history_.fill(0);
    newest_ = 0;
    history_[0] = std::uint64_t{1} << kSeedCell;
    generated_ = 0;
    currentRule_ = rule;
}

void CellularLinesEffect::advance(int generations, int rule) {
    const RuleTable next(rule);
    std::uint64_t cells = history_[static_cast<std::size_t>(newest_)];
    int slot = newest_;
    for (int g = 0; g < generations; ++g) {
        cells = next(cells);
        slot = slot + 1 == kGenerations ? 0 : slot + 1;
        history_[static_cast<std::size_t>(slot)] = cells;
    }
    newest_ = slot;
}

void CellularLinesEffect::onUpdate(float time) {
    float dt = time - lastTime;
    if (!(dt >= 0.0f && dt <= 1.0f)) dt = 0.0f;  // backwards, a jump, or NaN: sparks hold
    lastTime = time;

    const int r = ruleNumber(rule);
    const float g = time * speed;
    int target = 0;
    rowFraction = 0.0f;
    if (g >= static_cast<float>(kMaxGeneration)) {
        target = kMaxGeneration;
    } else if (g > -static_cast<float>(kMaxGeneration)) {  // NaN fails both: generation 0
        target = std::max(0, static_cast<int>(g));
        rowFraction = g - static_cast<float>(target);
    }
    if (target < generated_ || r != currentRule_) reset(r);
    if (target > generated_) {
        advance(target - generated_, r);
        generated_ = target;
    }
    moveSparks(dt);
}

int CellularLinesEffect::sparksInUse() const {
    if (!(sparkCount >= 1.0f)) return 0;
    if (sparkCount >= static_cast<float>(kSparks)) return kSparks;
    return static_cast<int>(sparkCount);
}

int CellularLinesEffect::chooseNext(int row, int column) const {
    int candidates[3];
    int count = 0;
    for (int c : {column, (column + kCells - 1) % kCells, (column + 1) % kCells})
        if (cell(row + 1, c)) candidates[count++] = c;
    return count > 0 ? candidates[runtime::rand() % count] : column;
}

void CellularLinesEffect::respawn(Spark& s) {
    s.row = 0.0f;
    s.column = runtime::rand() % kCells;
    for (int steps = 0; steps < kCells && !cell(0, s.column); ++steps) s.column = (s.column + 1) % kCells;
    s.nextColumn = chooseNext(0, s.column);
}

void CellularLinesEffect::moveSparks(float dt) {
    const int count = sparksInUse();
    const auto onSparkRows = [](float row) { return row > -1.0f && row < static_cast<float>(kLastSparkRow); };
    for (int i = 0; i < count; ++i) {
        Spark& s = sparks_[static_cast<std::size_t>(i)];
        // Row compared as a float first: NaN or a huge row respawns instead of converting.
        if (!onSparkRows(s.row) || !cell(static_cast<int>(s.row), s.column)) {
            respawn(s);
            continue;
        }
        const int r = static_cast<int>(s.row);
        s.row += sparkSpeed * s.speedFactor * dt;
        if (onSparkRows(s.row) && static_cast<int>(s.row) > r) {
            s.column = s.nextColumn;
            s.nextColumn = chooseNext(static_cast<int>(s.row), s.column);
        }
    }
}

CellularLinesEffect::Vec3 CellularLinesEffect::pointOnShape(float q, int column) const {
    const float a = 2.0f * kPi * static_cast<float>(column) / static_cast<float>(kCells);
    const float R = radius;
    if (shape > -0.5f && shape < 0.5f) {  // rounds to 0: sphere, from the top pole down
        const float theta = q / static_cast<float>(kGenerations) * kPi;
        return {R * std::sin(theta) * std::cos(a), R * std::cos(theta), R * std::sin(theta) * std::sin(a)};
    }
    if (shape >= 0.5f && shape < 1.5f)  // rounds to 1: tube
        return {R * std::cos(a), R * std::sin(a), -q * zSpacing};
    const float phi = q * zSpacing * 0.1f;  // anything else (NaN too): torus
    const float ring = R + 0.4f * R * std::cos(a);
    return {ring * std::cos(phi), 0.4f * R * std::sin(a), ring * std::sin(phi)};
}

void CellularLinesEffect::computePoints() {
    for (int r = 0; r < kGenerations; ++r)
        for (int j = 0; j < kCells; ++j)
            points_[static_cast<std::size_t>(r * kCells + j)] = pointOnShape(static_cast<float>(r) + rowFraction, j);
}

// Every live cell of rows 0..118 joined to its live neighbours j, j - 1, j + 1 (in this order)
// one generation older.
template <class Sink>
void CellularLinesEffect::emitLines(Sink& sink) const {
    for (int r = 0; r + 1 < kGenerations; ++r) {
        const std::uint64_t older = cellRow(r + 1);
        for (std::uint64_t live = cellRow(r); live != 0; live &= live - 1) {
            const int j = std::countr_zero(live);
            const Vec3& from = points_[static_cast<std::size_t>(r * kCells + j)];
            for (int n : {j, (j + kCells - 1) % kCells, (j + 1) % kCells}) {
                if (!((older >> n) & 1u)) continue;
                const Vec3& to = points_[static_cast<std::size_t>((r + 1) * kCells + n)];
                sink.vertex(from[0], from[1], from[2]);
                sink.vertex(to[0], to[1], to[2]);
            }
        }
    }
}

// Each spark as eight points along its path, shrinking and fading towards its trail. Every
// point has its own size, so they go one at a time.
void CellularLinesEffect::drawSparks(int count) const {
    glEnable(GL_POINT_SMOOTH);
    for (int i = 0; i < count; ++i) {
        const Spark& s = sparks_[static_cast<std::size_t>(i)];
        if (!(s.row > -1.0f && s.row < static_cast<float>(kGenerations - 1))) continue;
        const int r = static_cast<int>(s.row);
        if (!cell(r, s.column)) continue;
        const Vec3& a = points_[static_cast<std::size_t>(r * kCells + s.column)];
        const Vec3& b = points_[static_cast<std::size_t>((r + 1) * kCells + s.nextColumn)];
        const float brightness = (1.0f - s.row / static_cast<float>(kLastSparkRow)) * alpha * sparkBrightness;
        if (!(brightness > 0.01f)) continue;
        for (int k = 0; k < kTrailPoints; ++k) {
            const float fk = static_cast<float>(k);
            const float t = std::max(0.0f, s.row - static_cast<float>(r) - s.speedFactor * sparkTrail * fk / 7.0f);
            glPointSize(std::min((1.0f - 0.7f * fk / 8.0f) * s.sizeFactor * sparkSize, kMaxPixels));
            glBegin(GL_POINTS);
            glColor4f(1.0f, 1.0f, 1.0f, (1.0f - fk / 8.0f) * brightness);
            glVertex3f(a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]), a[2] + t * (b[2] - a[2]));
            glEnd();
        }
    }
    glDisable(GL_POINT_SMOOTH);
}

void CellularLinesEffect::onRender() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(posX, posY, posZ);
    glRotatef(rotX, 1.0f, 0.0f, 0.0f);
    glRotatef(rotY, 0.0f, 1.0f, 0.0f);
    glRotatef(rotZ, 0.0f, 0.0f, 1.0f);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(colorR, colorG, colorB, alpha);
    if (antialiasing > 0.5f) {
        glEnable(GL_LINE_SMOOTH);
        glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    } else {
        glDisable(GL_LINE_SMOOTH);
    }

    computePoints();
    if (thickness > 0.0f) {  // a width of zero or less (or NaN) draws no lines
        glLineWidth(std::min(thickness, kMaxPixels));
        if (immediateMode) {
            ImmediateVertices sink;
            glBegin(GL_LINES);
            emitLines(sink);
            glEnd();
        } else {
            lines_.clear();
            emitLines(lines_);
            lines_.draw(GL_LINES);
        }
    }

    const int count = sparksInUse();
    if (count > 0 && sparkSize > 0.01f && sparkBrightness > 0.01f) drawSparks(count);

    glPopMatrix();
    glPopAttrib();
}
