// NorwegianFlagEffect: the mesh and the surface functions against the formulas computed here,
// and the quad counts; arrays against immediate mode; alpha that hides it; the driven place. The
// bad-value sweep: AllEffectsTest.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "effects/NorwegianFlagEffect.h"
#include "support/EffectHelpers.h"
#include "support/GlFixture.h"

namespace {

constexpr auto flagWith = &effectWith<NorwegianFlagEffect>;

// The flag as designed, in double: the sag, three waves growing with u^1.5, the cross.
std::array<double, 3> expectedPosition(double u, double v, double wind, double amp, double freq, double t) {
    const double s = wind * t, k = std::pow(u, 1.5), lift = std::clamp(wind / 10.0, 0.0, 1.0), a = u * freq;
    const double w1 = std::sin(2.37 * a - 2.83 * v - 1.63 * s), w2 = 0.6 * std::sin(1.2 * v + a - s);
    const double w3 = std::sin(4.91 * a + 5.12 * v - 3.27 * s);
    return {(u - 0.5) * 22.0, (v - 0.5) * 16.0 - (1.0 - lift) * 4.0 * k, (0.3 * w1 + w2 + 0.1 * w3) * k * amp};
}
std::array<double, 3> expectedColour(double u, double v, double darkness) {
    const double f = 1.0 - 0.85 * darkness, across = std::fabs(u - 8.0 / 22.0) * 22.0, up = std::fabs(v - 0.5) * 16.0;
    if (across <= 1.0 || up <= 1.0) return {0.0, 0.15 * f, 0.45 * f};  // the blue cross, 2 units wide
    if (across <= 2.0 || up <= 2.0) return {0.9 * f, 0.9 * f, 0.9 * f};  // its white border
    return {0.75 * f, 0.1 * f, 0.15 * f};
}

// Every corner of the mesh, and the surface functions there one by one (the straightforward
// mesh), against the formulas. No corner on a colour boundary (columns - 1 no multiple of 11).
TEST(NorwegianFlagSurface, MeshAndSurfaceFunctionsFollowTheFormulasWithTheirQuadCounts) {
    const struct { float res, wind, amp, freq, darkness, time; int quads; } cases[] = {
        {10, 2, 4, 3, 0.3f, 1.7f, 9 * 6},           // weak wind: the fly end sags 3.2
        {101, 0, 6, 2, 1, 9, 100 * 72},             // no wind: frozen waves, full sag
        {250, 12, 0, 3, 1, 4, 249 * 180},           // flat: normals along +z
        {37, 20, 9, 7.5f, 0.5f, 2.2f, 36 * 25}, {1000, 3, 4, 3, 0, 1, 249 * 180}, {NAN, 8, 4, 3, 0, 1, 9 * 6}};
    for (const auto& c : cases) {
        auto flag = flagWith({{"meshRes", c.res}, {"windSpeed", c.wind}, {"waveAmp", c.amp}, {"waveFreqX", c.freq},
                              {"darkness", c.darkness}}, c.time);
        ASSERT_EQ(flag->quadCount(), c.quads) << "meshRes " << c.res;
        const int columns = c.res >= 250.0f ? 250 : c.res >= 10.0f ? static_cast<int>(c.res) : 10, rows = c.quads / (columns - 1);
        for (std::size_t q = 0; q < flag->vertices().size(); ++q) {
            const int quad = static_cast<int>(q / 4), corner = static_cast<int>(q % 4);
            const float u = float(quad % (columns - 1) + (corner == 1 || corner == 2)) / float(columns - 1);
            const float v = float(quad / (columns - 1) + (corner >= 2)) / float(rows);
            const auto p = expectedPosition(u, v, c.wind, c.amp, c.freq, c.time);
            const auto pu = expectedPosition(u + 0.01, v, c.wind, c.amp, c.freq, c.time);
            const auto pv = expectedPosition(u, v + 0.01, c.wind, c.amp, c.freq, c.time);
            const double a[3] = {pu[0] - p[0], pu[1] - p[1], pu[2] - p[2]};
            const double b[3] = {pv[0] - p[0], pv[1] - p[1], pv[2] - p[2]};
            const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
            const auto rgb = expectedColour(u, v, c.darkness);
            const NorwegianFlagEffect::Vertex& m = flag->vertices()[q];
            const auto position = flag->position(u, v), normal = flag->normal(u, v), colour = flag->colour(u, v);
            for (int k = 0; k < 3; ++k) {
                ASSERT_NEAR(m.position[k], p[k], 3e-4) << "meshRes " << c.res << " corner " << q;
                ASSERT_NEAR(position[k], p[k], 3e-4) << "meshRes " << c.res << " corner " << q;
                ASSERT_NEAR(m.normal[k], n[k] / std::hypot(n[0], n[1], n[2]), 3e-3) << "meshRes " << c.res << " corner " << q;
                ASSERT_NEAR(normal[k], n[k] / std::hypot(n[0], n[1], n[2]), 3e-3) << "meshRes " << c.res << " corner " << q;
                ASSERT_NEAR(m.colour[k], rgb[k], 1e-6) << "meshRes " << c.res << " corner " << q;
                ASSERT_EQ(colour[k], m.colour[k]) << "meshRes " << c.res << " corner " << q;
            }
        }
    }
}

using NorwegianFlagRenderTest = GlFixture;  // 64 x 64
std::vector<std::uint8_t> draw(NorwegianFlagEffect& flag) { return drawInView(flag, 64, 64, 0.0f); }

TEST_F(NorwegianFlagRenderTest, ArraysDrawLikeImmediateModeAndAlphaAtOrBelowAThousandthHidesIt) {
    const auto black = blackFrame(64, 64);
    for (const auto& [alpha, res] : {std::pair{1.0f, 250.0f}, {0.5f, 100.0f}, {0.02f, 37.0f}}) {
        auto flag = flagWith({{"alpha", alpha}, {"meshRes", res}, {"rot.y", 25.0f}}, 2.5f);
        const auto arrays = draw(*flag);
        EXPECT_NE(arrays, black) << alpha;
        flag->immediateMode = true;
        EXPECT_EQ(draw(*flag), arrays) << alpha;
    }
    auto driven = flagWith({}, 1.0f);  // the driven place replaces the parameters while driving
    driven->syncFromParameters(), driven->driving = true;
    driven->drive(2.0f, false, false, false, true, false, false);  // 80 units right, out of view
    EXPECT_EQ(draw(*driven), black);
    for (float a : {0.0011f, 0.001f, 0.0f, -1.0f, NAN}) {  // too faint to see, but depth is written
        EXPECT_EQ(draw(*flagWith({{"alpha", a}}, 1.0f)), black) << a;
        GLfloat depth = 0.0f;
        glReadPixels(32, 32, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        EXPECT_EQ(depth < 1.0f, a > 0.001f) << a;
    }
}

}  // namespace
