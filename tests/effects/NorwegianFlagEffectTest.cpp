// NorwegianFlagEffect: the surface functions against the wave formula computed here; the mesh
// against the corner-by-corner one and its quad counts; arrays against immediate mode; alpha
// that hides it; the driven place; bad values and times.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <limits>

#include "effects/NorwegianFlagEffect.h"
#include "support/GlFixture.h"
#include "support/SceneObjectsReference.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::unique_ptr<NorwegianFlagEffect> flagWith(std::initializer_list<std::pair<const char*, float>> keys, float time) {
    auto flag = std::make_unique<NorwegianFlagEffect>();
    flag->init();
    for (const auto& [name, value] : keys) flag->findTrack(name)->setKey(0.0f, value, InterpType::Step);
    flag->updateAllTracks(time);
    return flag;
}

// The flag surface as written: the sag, and three waves growing with u^1.5.
std::array<double, 3> expectedPosition(double u, double v, double wind, double amp, double freq, double t) {
    const double s = wind * t, k = std::pow(u, 1.5), lift = std::clamp(wind / 10.0, 0.0, 1.0), a = u * freq;
    const double w1 = std::sin(2.37 * a - 2.83 * v - 1.63 * s), w2 = 0.6 * std::sin(1.2 * v + a - s);
    const double w3 = std::sin(4.91 * a + 5.12 * v - 3.27 * s);
    return {(u - 0.5) * 22.0, (v - 0.5) * 16.0 - (1.0 - lift) * 4.0 * k, (0.3 * w1 + w2 + 0.1 * w3) * k * amp};
}

TEST(NorwegianFlagSurface, PositionNormalAndColourFollowTheFormulas) {
    const std::array<double, 3> red{0.75, 0.1, 0.15}, white{0.9, 0.9, 0.9}, blue{0.0, 0.15, 0.45};
    const struct {
        float wind, amp, freq, darkness, time, u, v;
        std::array<double, 3> rgb;  // before darkening
    } cases[] = {
        {2.0f, 4.0f, 3.0f, 0.3f, 1.7f, 1.0f, 0.1f, red},     // weak wind: the fly end sags 3.2
        {0.0f, 6.0f, 2.0f, 1.0f, 9.0f, 0.36f, 0.1f, blue},   // no wind: frozen waves, full sag
        {12.0f, 0.0f, 3.0f, 1.0f, 4.0f, 0.3f, 0.9f, white},  // flat: normal along +z
        {12.0f, 9.0f, 7.5f, 0.5f, 2.2f, 0.9f, 0.5f, blue},
        {20.0f, 3.0f, 3.0f, 0.25f, 0.4f, 0.9f, 0.4f, white},
    };
    for (const auto& c : cases) {
        auto flag = flagWith({{"windSpeed", c.wind}, {"waveAmp", c.amp}, {"waveFreqX", c.freq}, {"darkness", c.darkness}}, c.time);
        const auto p = expectedPosition(c.u, c.v, c.wind, c.amp, c.freq, c.time);
        const auto pu = expectedPosition(c.u + 0.01, c.v, c.wind, c.amp, c.freq, c.time);
        const auto pv = expectedPosition(c.u, c.v + 0.01, c.wind, c.amp, c.freq, c.time);
        const double a[3] = {pu[0] - p[0], pu[1] - p[1], pu[2] - p[2]}, b[3] = {pv[0] - p[0], pv[1] - p[1], pv[2] - p[2]};
        const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
        const auto position = flag->position(c.u, c.v), normal = flag->normal(c.u, c.v), colour = flag->colour(c.u, c.v);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(position[k], p[k], 1e-4) << "wind " << c.wind << " axis " << k;
            EXPECT_NEAR(normal[k], n[k] / std::hypot(n[0], n[1], n[2]), 2e-3) << "wind " << c.wind << " axis " << k;
            EXPECT_NEAR(colour[k], c.rgb[k] * (1.0 - 0.85 * c.darkness), 1e-6) << "wind " << c.wind << " channel " << k;
        }
        EXPECT_TRUE(c.amp != 0.0f || normal == (NorwegianFlagEffect::Vec3{0, 0, 1}));
    }
}

TEST(NorwegianFlagSurface, MeshEqualsTheCornerByCornerOneWithItsQuadCounts) {
    const struct {
        float res, wind, time;
        int quads;
    } cases[] = {{10, 6, 3.7f, 9 * 6}, {100, 8, 61.0f, 99 * 71}, {250, 25, 12.4f, 249 * 180},
                 {1000, 3, 1, 249 * 180}, {kNaN, 8, 1, 9 * 6}, {-kInf, 8, 1, 9 * 6}};
    std::vector<reference::FlagVertex> mesh;
    for (const auto& c : cases) {
        auto flag = flagWith({{"meshRes", c.res}, {"windSpeed", c.wind}, {"darkness", 0.6f}}, c.time);
        ASSERT_EQ(flag->quadCount(), c.quads) << "meshRes " << c.res;
        if (!(c.res >= 10.0f && c.res <= 250.0f)) continue;  // the corner-by-corner mesh takes valid values
        reference::flagMesh(*flag, mesh);
        ASSERT_EQ(mesh.size(), flag->vertices().size());
        for (std::size_t q = 0; q < mesh.size(); ++q) {
            const NorwegianFlagEffect::Vertex& vertex = flag->vertices()[q];
            for (int k = 0; k < 3; ++k) {
                ASSERT_NEAR(vertex.position[k], mesh[q].position[k], 2e-4) << "meshRes " << c.res << " corner " << q;
                ASSERT_NEAR(vertex.normal[k], mesh[q].normal[k], 2e-3) << "meshRes " << c.res << " corner " << q;
                ASSERT_EQ(vertex.colour[k], mesh[q].colour[k]) << "meshRes " << c.res << " corner " << q;
            }
            ASSERT_EQ(vertex.colour[3], 1.0f);
        }
    }
}

class NorwegianFlagRenderTest : public GlFixture {
protected:
    NorwegianFlagRenderTest() : GlFixture(128, 96) {}
    std::vector<std::uint8_t> draw(NorwegianFlagEffect& flag) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(65.0, 128.0 / 96.0, 0.1, 250.0);
        glMatrixMode(GL_MODELVIEW);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        flag.render();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return frame();
    }
};

TEST_F(NorwegianFlagRenderTest, ArraysDrawLikeImmediateModeAndAlphaAtOrBelowAThousandthHidesIt) {
    std::vector<std::uint8_t> black(128 * 96 * 4, 0);
    for (std::size_t k = 3; k < black.size(); k += 4) black[k] = 255;
    for (const auto& [alpha, res] : {std::pair{1.0f, 250.0f}, {0.5f, 100.0f}, {0.02f, 37.0f}}) {
        auto flag = flagWith({{"alpha", alpha}, {"meshRes", res}, {"rot.y", 25.0f}}, 2.5f);
        const auto arrays = draw(*flag);
        EXPECT_NE(arrays, black) << alpha;
        flag->immediateMode = true;
        EXPECT_EQ(draw(*flag), arrays) << alpha;
    }
    auto driven = flagWith({}, 1.0f);  // while driven, the driven place replaces the parameters
    const auto still = draw(*driven);
    driven->syncFromParameters();
    driven->driving = true;
    EXPECT_EQ(draw(*driven), still);
    driven->drive(2.0f, false, false, false, true, false, false);  // 80 units to the right
    EXPECT_EQ(draw(*driven), black);

    for (float a : {0.0011f, 0.001f, 0.0f, -1.0f, kNaN}) {  // too faint to see, but depth is written
        EXPECT_EQ(draw(*flagWith({{"alpha", a}}, 1.0f)), black) << a;
        GLfloat depth = 0.0f;
        glReadPixels(64, 48, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        EXPECT_EQ(depth < 1.0f, a > 0.001f) << a;
    }
    // Bad values and times draw something or nothing, but neither crash nor leave a GL error.
    for (const char* name : {"windSpeed", "waveAmp", "waveFreqX", "scale", "pos.z", "darkness"})
        for (float bad : {kNaN, kInf, -kInf, 1e30f}) draw(*flagWith({{name, bad}}, 3.0f));
    for (float time : {kNaN, kInf, -1e30f, 1e30f}) draw(*flagWith({}, time));
}

}  // namespace
