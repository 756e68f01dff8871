// NorwegianFlagEffect: the surface functions against the wave formula computed here; the grid
// against the corner-by-corner mesh and its quad counts; vertex arrays against immediate mode;
// alpha that hides it; the driving controls; bad parameter values and times; its tracks.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <limits>

#include "effects/NorwegianFlagEffect.h"
#include "support/GlFixture.h"
#include "support/SceneObjectsReference.h"
#include "support/TrackTable.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

void key(Effect& e, const char* name, float value) {
    KeyframeTrack* t = e.findTrack(name);
    t->setKey(0.0f, value, t->keys.at(0.0f).interp);
}

std::unique_ptr<NorwegianFlagEffect> flagWith(std::initializer_list<std::pair<const char*, float>> keys, float time) {
    auto flag = std::make_unique<NorwegianFlagEffect>();
    flag->init();
    for (const auto& [name, value] : keys) key(*flag, name, value);
    flag->updateAllTracks(time);
    return flag;
}

// The flag surface as written: sag, three waves growing with u^1.5, colours of the design.
std::array<double, 3> expectedPosition(double u, double v, double wind, double amp, double freq, double t) {
    const double s = wind * t, k = std::pow(u, 1.5), lift = std::clamp(wind / 10.0, 0.0, 1.0), a = u * freq;
    const double w1 = std::sin(2.37 * a - 2.83 * v - 1.63 * s), w2 = 0.6 * std::sin(1.2 * v + a - s);
    const double w3 = std::sin(4.91 * a + 5.12 * v - 3.27 * s);
    return {(u - 0.5) * 22.0, (v - 0.5) * 16.0 - (1.0 - lift) * 4.0 * k, (0.3 * w1 + w2 + 0.1 * w3) * k * amp};
}

TEST(NorwegianFlagSurface, PositionNormalAndColourFollowTheFormulas) {
    struct Case {
        float wind, amp, freq, darkness, time, u, v;
        std::array<double, 3> rgb;  // before darkening
    };
    const std::array<double, 3> red{0.75, 0.1, 0.15}, white{0.9, 0.9, 0.9}, blue{0.0, 0.15, 0.45};
    const Case cases[] = {
        {2.0f, 4.0f, 3.0f, 0.3f, 1.7f, 1.0f, 0.1f, red},    // weak wind: the fly end sags 3.2
        {8.0f, 4.0f, 3.0f, 0.0f, 5.3f, 0.63f, 0.8f, red},
        {0.0f, 6.0f, 2.0f, 1.0f, 9.0f, 0.36f, 0.1f, blue},  // no wind: frozen waves, full sag
        {12.0f, 0.0f, 3.0f, 1.0f, 4.0f, 0.3f, 0.9f, white},  // flat: normal along +z
        {12.0f, 9.0f, 7.5f, 0.5f, 2.2f, 0.9f, 0.5f, blue},
        {20.0f, 3.0f, 3.0f, 0.25f, 0.4f, 0.9f, 0.4f, white},
    };
    for (const Case& c : cases) {
        auto flag = flagWith({{"windSpeed", c.wind}, {"waveAmp", c.amp}, {"waveFreqX", c.freq}, {"darkness", c.darkness}}, c.time);
        const auto p = expectedPosition(c.u, c.v, c.wind, c.amp, c.freq, c.time);
        const auto pu = expectedPosition(c.u + 0.01, c.v, c.wind, c.amp, c.freq, c.time);
        const auto pv = expectedPosition(c.u, c.v + 0.01, c.wind, c.amp, c.freq, c.time);
        const double a[3] = {pu[0] - p[0], pu[1] - p[1], pu[2] - p[2]}, b[3] = {pv[0] - p[0], pv[1] - p[1], pv[2] - p[2]};
        double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
        const double length = std::hypot(n[0], n[1], n[2]);
        const auto position = flag->position(c.u, c.v), normal = flag->normal(c.u, c.v), colour = flag->colour(c.u, c.v);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(position[k], p[k], 1e-4) << "wind " << c.wind << " axis " << k;
            EXPECT_NEAR(normal[k], n[k] / length, 2e-3) << "wind " << c.wind << " axis " << k;
            EXPECT_NEAR(colour[k], c.rgb[k] * (1.0 - 0.85 * c.darkness), 1e-6) << "wind " << c.wind << " channel " << k;
        }
        if (c.amp == 0.0f) {
            EXPECT_EQ(normal, (NorwegianFlagEffect::Vec3{0, 0, 1}));
        }
    }
    EXPECT_NEAR(flagWith({{"windSpeed", 2.0f}}, 0.0f)->position(1.0f, 0.5f)[1], -3.2, 1e-5);
}

TEST(NorwegianFlagSurface, GridEqualsTheCornerByCornerMeshWithItsQuadCounts) {
    const std::array<float, 3> cases[] = {{10, 6, 3.7f}, {100, 8, 61.0f}, {250, 25, 12.4f}, {1000, 3, 1}, {kNaN, 8, 1}};
    const int expectedQuads[] = {9 * 6, 99 * 71, 249 * 180, 249 * 180, 9 * 6};
    std::vector<reference::FlagVertex> mesh;
    for (std::size_t c = 0; c < std::size(cases); ++c) {
        const auto [res, wind, time] = cases[c];
        auto flag = flagWith({{"meshRes", res}, {"windSpeed", wind}, {"darkness", 0.6f}}, time);
        ASSERT_EQ(flag->quadCount(), expectedQuads[c]) << "meshRes " << res;
        if (!(res <= 250.0f)) continue;  // the corner-by-corner mesh takes valid values only
        reference::flagMesh(*flag, mesh);
        ASSERT_EQ(mesh.size(), flag->vertices().size());
        for (std::size_t q = 0; q < mesh.size(); ++q) {
            const NorwegianFlagEffect::Vertex& vertex = flag->vertices()[q];
            for (int k = 0; k < 3; ++k) {
                ASSERT_NEAR(vertex.position[k], mesh[q].position[k], 2e-4) << "meshRes " << res << " corner " << q;
                ASSERT_NEAR(vertex.normal[k], mesh[q].normal[k], 2e-3) << "meshRes " << res << " corner " << q;
                ASSERT_EQ(vertex.colour[k], mesh[q].colour[k]) << "meshRes " << res << " corner " << q;
            }
            ASSERT_EQ(vertex.colour[3], 1.0f);
        }
    }
}

class NorwegianFlagRenderTest : public GlFixture {
protected:
    NorwegianFlagRenderTest() : GlFixture(128, 96) {}
    void SetUp() override {
        GlFixture::SetUp();
        glMatrixMode(GL_PROJECTION);
        gluPerspective(65.0, 128.0 / 96.0, 0.1, 250.0);
        glMatrixMode(GL_MODELVIEW);
    }
    std::vector<std::uint8_t> draw(NorwegianFlagEffect& flag) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        flag.render();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return frame();
    }
};

TEST_F(NorwegianFlagRenderTest, ArraysDrawLikeImmediateModeAndAlphaAtOrBelowAThousandthHidesIt) {
    std::vector<std::uint8_t> black(128 * 96 * 4, 0);
    for (std::size_t k = 3; k < black.size(); k += 4) black[k] = 255;
    const std::pair<float, float> cases[] = {{1.0f, 250.0f}, {0.5f, 100.0f}, {0.02f, 37.0f}};
    for (const auto& [alpha, res] : cases) {
        auto flag = flagWith({{"alpha", alpha}, {"meshRes", res}, {"rot.y", 25.0f}}, 2.5f);
        const auto arrays = draw(*flag);
        EXPECT_NE(arrays, black) << alpha;
        flag->immediateMode = true;
        EXPECT_EQ(draw(*flag), arrays) << alpha;
    }
    // While driven, the driven place replaces the parameters.
    auto driven = flagWith({}, 1.0f);
    const auto still = draw(*driven);
    driven->syncFromParameters();
    driven->driving = true;
    EXPECT_EQ(draw(*driven), still);
    driven->drive(2.0f, false, false, false, true, false, false);  // 80 units to the right
    EXPECT_EQ(draw(*driven), black);

    // Too faint to see, but a drawn flag would still leave its depth.
    for (float a : {0.0011f, 0.001f, 0.0f, -1.0f, kNaN}) {
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

TEST(NorwegianFlagDriving, MovesTheDrivenPlaceAndRecordsItAsKeys) {
    auto flag = flagWith({{"pos.x", 3.0f}, {"rot.y", 20.0f}}, 0.0f);
    flag->syncFromParameters();
    EXPECT_EQ(flag->drivenPos[0], 3.0f);
    EXPECT_EQ(flag->drivenPos[2], -40.0f);
    EXPECT_EQ(flag->drivenRot[1], 20.0f);
    flag->drive(0.25f, true, false, false, true, false, true);  // 10 units forward, right, down
    EXPECT_EQ((std::array<float, 3>{flag->drivenPos[0], flag->drivenPos[1], flag->drivenPos[2]}),
              (std::array<float, 3>{13.0f, -10.0f, -50.0f}));
    flag->recordKeys(2.0f);
    flag->updateAllTracks(2.0f);
    EXPECT_EQ(flag->posX, 13.0f);
    EXPECT_EQ(flag->posZ, -50.0f);
    EXPECT_EQ(flag->rotY, 20.0f);
}

TEST(NorwegianFlagTracks, ThirteenBoundTracksAfterEnabled) {
    NorwegianFlagEffect f;
    f.init();
    std::vector<TrackRow> rows = {{"enabled", 0, 1, 1, true, InterpType::Step}};
    const std::tuple<const char*, float, float, float, const float*> table[] = {
        {"pos.x", -100, 100, 0, &f.posX},   {"pos.y", -100, 100, 0, &f.posY},     {"pos.z", -100, 100, -40, &f.posZ},
        {"rot.x", -360, 360, 0, &f.rotX},   {"rot.y", -360, 360, 0, &f.rotY},     {"rot.z", -360, 360, 0, &f.rotZ},
        {"scale", 0.1f, 10, 1, &f.scale},   {"alpha", 0, 1, 1, &f.alpha},         {"darkness", 0, 1, 0.3f, &f.darkness},
        {"windSpeed", 0, 30, 8, &f.windSpeed}, {"waveAmp", 0, 15, 4, &f.waveAmp}, {"waveFreqX", 0.1f, 10, 3, &f.waveFreqX}};
    for (const auto& [name, min, max, value, member] : table) rows.push_back({name, min, max, value, false, InterpType::Linear, member});
    rows.push_back({"meshRes", 10, 250, 100, true, InterpType::Step, &f.meshRes});
    expectTrackTable(f, rows);
}

}  // namespace
