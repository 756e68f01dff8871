// LeftfieldAutomataEffect: seeding, the cyclic step, the reseed and step timing, and the
// triangle field. All triangles of a frame go to the GL as one client-side vertex array (same
// vertices, order and colours as one immediate-mode triangle list, so the same pixels).
#include "effects/LeftfieldAutomataEffect.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/Logger.h"
#include "base/Random.h"
#include "core/ScreenOverlay.h"

namespace {

constexpr float kSide = 0.13856399f;  // 0.08 * sqrt(3): side of a triangle of height 0.12
constexpr float kApex = 0.08f;        // centroid to apex
constexpr float kBase = 0.04f;        // centroid to base
constexpr float kRowSpacing = 0.5f * kSide;
constexpr float kColumnSpacing = 0.12f;
constexpr float kDegreesToRadians = 0.017453279f;
constexpr float kMaxWobbleDegrees = 25.0f;
// Triangles grow with 1 - gap and complexity. Far outside their ranges every one of the 24,000
// triangles would cover the whole screen and a frame would take seconds to fill, so a scale is
// limited to twice a cell; NaN draws the triangle as a point.
constexpr float kMaxScale = 2.0f;

float limitedScale(float k) { return std::isnan(k) ? 0.0f : std::clamp(k, -kMaxScale, kMaxScale); }

}  // namespace

const float LeftfieldAutomataEffect::kPalette[kStates][4] = {
    {0.05f, 0.08f, 0.10f, 0.95f}, {0.41f, 0.06f, 0.11f, 0.95f}, {0.95f, 0.36f, 0.02f, 0.95f},
    {0.04f, 0.23f, 0.25f, 0.95f}, {0.85f, 0.61f, 0.16f, 0.95f},
};

LeftfieldAutomataEffect::LeftfieldAutomataEffect() {
    logLine("LeftfieldAutomataEffect constructor called.");
    createTrack("rule_seed", nullptr, 0.0f, 1000.0f, 42.0f, false, InterpType::Step);
    createTrack("speed", nullptr, 1.0f, 60.0f, 20.0f);
    createTrack("gap", nullptr, 0.0f, 0.5f, 0.05f);
    createTrack("zoom", nullptr, 0.1f, 5.0f, 1.2f);
    createTrack("complexity", nullptr, 0.0f, 1.0f, 0.5f);
    createTrack("wobble", nullptr, 0.0f, 1.0f, 0.1f);
    createTrack("alpha", nullptr, 0.0f, 1.0f, 1.0f);
    seed(42);
    lastSeed = 42;
}

void LeftfieldAutomataEffect::seed(int n) {
    runtime::srand(static_cast<std::uint32_t>(n));
    for (auto& row : grid)
        for (std::int32_t& cell : row) cell = runtime::rand() % kStates;
    threshold = runtime::rand() % 4 + 1;
    range = runtime::rand() % 2 + 1;
}

void LeftfieldAutomataEffect::step() {
    const int reach = range >= 2 ? 2 : 1;  // the seed gives 1 or 2; the members stay public
    for (int y = 0; y < kRows; ++y) {
        int rows[5];
        for (int d = -reach; d <= reach; ++d) rows[d + reach] = (y + d + kRows) % kRows;
        for (int x = 0; x < kColumns; ++x) {
            int columns[5];
            for (int d = -reach; d <= reach; ++d) columns[d + reach] = (x + d + kColumns) % kColumns;
            const std::int32_t state = grid[y][x];
            const std::int32_t next = (state + 1) % kStates;
            // The cell itself is counted too: harmless, its own state is never `next`.
            int count = 0;
            for (int dy = 0; dy <= 2 * reach; ++dy)
                for (int dx = 0; dx <= 2 * reach; ++dx)
                    count += grid[rows[dy]][columns[dx]] == next;
            nextGrid[y][x] = count >= threshold ? next : state;
        }
    }
    std::memcpy(grid, nextGrid, sizeof grid);
}

int LeftfieldAutomataEffect::seedFromTrack(float value) const {
    if (std::isnan(value)) return lastSeed;
    const float rounded = std::round(value);
    if (rounded <= -2147483648.0f) return INT32_MIN;
    if (rounded >= 2147483648.0f) return INT32_MAX;
    return static_cast<int>(rounded);
}

void LeftfieldAutomataEffect::onRender() {
    const float t = currentTime;
    const int newSeed = seedFromTrack(trackValue("rule_seed"));
    const float speed = trackValue("speed");
    const float gap = trackValue("gap");
    const float zoom = trackValue("zoom");
    const float complexity = trackValue("complexity");
    const float wobble = trackValue("wobble");
    const float alpha = trackValue("alpha");

    if (newSeed != lastSeed || lastRenderTime - 0.5f > t || t < 0.1f) {
        lastSeed = newSeed;
        seed(newSeed);
        lastStepTime = t;
    }
    lastRenderTime = t;
    // Written as a float comparison: speed 0 or NaN never steps, a huge speed steps every frame.
    if (t - lastStepTime > 1.0f / speed) {
        step();
        lastStepTime = t;
    }

    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float aspect = static_cast<float>(viewport[2]) / static_cast<float>(viewport[3] != 0 ? viewport[3] : 1);
    if (!(aspect > 0.0f)) return;  // an empty viewport shows nothing (and glOrtho would refuse it)

    buildTriangles(t, gap, complexity, wobble, alpha);
    const ScreenOverlay overlay(-aspect, aspect, -1.0, 1.0);
    glScalef(zoom, zoom, 1.0f);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    triangles_.draw(GL_TRIANGLES);
}

void LeftfieldAutomataEffect::buildTriangles(float t, float gap, float complexity, float wobble, float alpha) {
    triangles_.clear();
    triangles_.reserve(static_cast<std::size_t>(kRows) * kColumns * 9);
    const float mainScale = limitedScale(1.0f - gap);
    const float detail = limitedScale(mainScale * complexity);
    const bool withDetail = complexity > 0.1f;

    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            const float centreX = kRowSpacing * static_cast<float>(r - 50);
            const float centreY = kColumnSpacing * static_cast<float>(c - 40);
            const float pointing = (c + r) % 2 == 0 ? 1.0f : -1.0f;  // up or down
            float angle = std::sin(static_cast<float>(c) * 0.15f + static_cast<float>(r) * 0.15f + 1.5f * t) * wobble *
                          kMaxWobbleDegrees * kDegreesToRadians;
            if (!std::isfinite(angle)) angle = 0.0f;  // a NaN or infinite time or wobble: unrotated
            const float cosA = std::cos(angle), sinA = std::sin(angle);

            auto triangle = [&](float k, float flip, const float* colour) {
                triangles_.color(colour[0], colour[1], colour[2], colour[3] * alpha);
                const float apex = pointing * kApex * k * flip;
                const float base = -pointing * kBase * k * flip;
                const float half = pointing * 0.5f * kSide * k;
                const float points[3][2] = {{0.0f, apex}, {-half, base}, {half, base}};
                for (const auto& p : points)
                    triangles_.vertex(centreX + p[0] * cosA - p[1] * sinA, centreY + p[0] * sinA + p[1] * cosA);
            };

            const int s = grid[r][c];
            triangle(mainScale, 1.0f, kPalette[s]);
            if (!withDetail) continue;
            if (s % 2 == 1) {
                triangle(0.4f * detail, 1.0f, kPalette[(s + 2) % kStates]);
                triangle(0.15f * detail, -1.0f, kPalette[0]);
            } else {
                triangle(0.6f * detail, -1.0f, kPalette[(s + 2) % kStates]);
            }
        }
    }
}
