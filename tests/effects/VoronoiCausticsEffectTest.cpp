// VoronoiCausticsEffect: tracks, texture name and upload, and the image checked against the
// caustics formula evaluated here pixel by pixel (nine neighbour cells, single precision).
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <numbers>

#include "core/Logger.h"
#include "core/TextureManager.h"
#include "effects/VoronoiCausticsEffect.h"
#include "support/GlFixture.h"
#include "support/TempDir.h"

namespace {

using Rgba = std::array<int, 4>;

struct Params {
    float time, speed, scale, sharpness, r, g, b;
    bool sphere;
};

int channel(float v) { return std::clamp(static_cast<int>(std::trunc(v)), 0, 255); }

// One pixel of the 256 x 256 image, step by step as the effect describes it.
Rgba expectedPixel(int x, int y, const Params& k) {
    const float p = k.time * k.speed;
    float u = static_cast<float>(x) / 256 * k.scale, v = static_cast<float>(y) / 256 * k.scale;
    if (k.sphere) {
        const float nx = 2.0f * x / 255 - 1.0f, ny = 2.0f * y / 255 - 1.0f;
        const float d = nx * nx + ny * ny;
        if (d > 1.0f) return {0, 0, 0, 0};
        const float z = std::sqrt(1.0f - d);
        u = static_cast<float>(std::atan2(2.0f * z * nx, 2.0f * z * z - 1.0f) / (2.0 * std::numbers::pi) + 0.5) * k.scale;
        v = static_cast<float>(std::asin(2.0f * z * ny) / std::numbers::pi + 0.5) * k.scale;
    }
    const float cu = std::floor(u), fu = u - cu, cv = std::floor(v), fv = v - cv;
    float m = 1.0f;
    for (int dj = -1; dj <= 1; ++dj) {
        for (int di = -1; di <= 1; ++di) {
            const float gx = cu + di, gy = cv + dj;
            const float h1 = std::fmod(std::fabs(std::sin(gx * 127.1f + gy * 311.7f) * 43758.547f), 1.0f);
            const float h2 = std::fmod(std::fabs(std::sin(gx * 269.5f + gy * 183.3f) * 43758.547f), 1.0f);
            const float px = di + h1 + 0.5f * std::sin(h1 * 6.2831f + p) - fu;
            const float py = dj + h2 + 0.5f * std::cos(h2 * 6.2831f + p) - fv;
            m = std::min(m, std::sqrt(px * px + py * py));
        }
    }
    const float value = (std::pow(1.0f - m, k.sharpness) + 0.15f) * 255;
    return {channel(value * k.r), channel(value * k.g), channel(value * k.b), 255};
}

class VoronoiCausticsEffectTest : public GlFixture {
protected:
    void TearDown() override {
        TextureManager::instance().clear();
        GlFixture::TearDown();
    }

    static std::unique_ptr<VoronoiCausticsEffect> make() {
        auto e = std::make_unique<VoronoiCausticsEffect>();
        e->init();
        return e;
    }
    static void set(VoronoiCausticsEffect& e, const char* track, float value) {
        e.findTrack(track)->setKey(0.0f, value, InterpType::Linear);
    }
    static std::unique_ptr<VoronoiCausticsEffect> render(const Params& k) {
        auto e = make();
        set(*e, "speed", k.speed);
        set(*e, "scale", k.scale);
        set(*e, "sharpness", k.sharpness);
        set(*e, "color.r", k.r);
        set(*e, "color.g", k.g);
        set(*e, "color.b", k.b);
        set(*e, "envMapMode", k.sphere ? 1.0f : 0.0f);
        e->updateAllTracks(k.time);
        return e;
    }
    static Rgba pixelOf(const VoronoiCausticsEffect& e, int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * 256 + x) * 4;
        return {e.pixels[i], e.pixels[i + 1], e.pixels[i + 2], e.pixels[i + 3]};
    }
    // Pixels that differ from the formula; fails at once on any channel off by more than 1.
    static int differingPixels(const VoronoiCausticsEffect& e, const Params& k) {
        int differing = 0;
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                const Rgba got = pixelOf(e, x, y), want = expectedPixel(x, y, k);
                for (int c = 0; c < 4; ++c) {
                    EXPECT_LE(std::abs(got[c] - want[c]), 1) << "pixel " << x << "," << y << " channel " << c;
                    if (std::abs(got[c] - want[c]) > 1) return 65536;
                }
                differing += got != want;
            }
        }
        return differing;
    }
};

TEST_F(VoronoiCausticsEffectTest, MakesItsTracksInOrderWithRangesAndDefaults) {
    auto e = make();
    struct Expected {
        const char* name;
        float min, max, value;
        bool snap;
        InterpType interp;
        float* member;
    };
    const Expected expected[] = {
        {"enabled", 0, 1, 1.0f, true, InterpType::Step, &e->enabled},
        {"speed", -10, 10, 1.5f, false, InterpType::Linear, &e->speed},
        {"scale", 1, 30, 6.0f, false, InterpType::Linear, &e->scale},
        {"sharpness", 0.1f, 10, 3.5f, false, InterpType::Linear, &e->sharpness},
        {"color.r", 0, 2, 0.2f, false, InterpType::Linear, &e->colorR},
        {"color.g", 0, 2, 0.8f, false, InterpType::Linear, &e->colorG},
        {"color.b", 0, 2, 1.0f, false, InterpType::Linear, &e->colorB},
        {"envMapMode", 0, 1, 1.0f, true, InterpType::Step, &e->envMapMode},
    };
    ASSERT_EQ(e->tracks.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        auto* t = dynamic_cast<KeyframeTrack*>(e->tracks[i]);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->name, expected[i].name);
        EXPECT_EQ(t->minValue, expected[i].min) << t->name;
        EXPECT_EQ(t->maxValue, expected[i].max) << t->name;
        EXPECT_EQ(t->snapToInteger, expected[i].snap) << t->name;
        ASSERT_EQ(t->keys.size(), 1u) << t->name;
        EXPECT_EQ(t->keys.begin()->second.value, expected[i].value) << t->name;
        EXPECT_EQ(t->keys.begin()->second.interp, expected[i].interp) << t->name;
        EXPECT_EQ(t->target, expected[i].member) << t->name;
    }
    EXPECT_EQ(e->textureName, "*DynamicCaustics_*");
    EXPECT_EQ(e->pixels.size(), 256u * 256u * 4u);
}

TEST_F(VoronoiCausticsEffectTest, LogsItsConstruction) {
    TempDir dir;
    Logger::instance().open(dir.file("log.txt"), true);
    VoronoiCausticsEffect e;
    Logger::instance().close();
    std::ifstream in(dir.file("log.txt"));
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("] VoronoiCausticsEffect constructor called.\n"), std::string::npos) << log;
}

TEST_F(VoronoiCausticsEffectTest, ChosenPixelsEqualTheFormulaInBothLayouts) {
    const Params cases[] = {
        {0.0f, 1.5f, 6.0f, 3.5f, 0.2f, 0.8f, 1.0f, false},  // the defaults, flat
        {2.6f, -4.0f, 13.7f, 1.2f, 1.3f, 0.6f, 0.9f, false},
        {1.1f, 1.5f, 6.0f, 3.5f, 0.2f, 0.8f, 1.0f, true},   // the defaults, sphere
        {33.0f, 7.5f, 29.0f, 9.0f, 1.8f, 1.0f, 0.5f, true},
    };
    const std::array<std::array<int, 2>, 9> chosen = {
        {{0, 0}, {255, 0}, {0, 255}, {255, 255}, {128, 128}, {17, 200}, {201, 33}, {64, 190}, {127, 3}}};
    for (const Params& k : cases) {
        auto e = render(k);
        for (auto [x, y] : chosen)
            EXPECT_EQ(pixelOf(*e, x, y), expectedPixel(x, y, k))
                << "pixel " << x << "," << y << " time " << k.time << (k.sphere ? " sphere" : " flat");
    }
}

// Every step is the same single-precision operation as the formula's, so the bytes are equal.
TEST_F(VoronoiCausticsEffectTest, WholeImageMatchesTheFormula) {
    const Params cases[] = {
        {0.75f, 1.5f, 6.0f, 3.5f, 0.2f, 0.8f, 1.0f, false},
        {250.0f, -9.0f, 1.0f, 0.1f, 2.0f, 2.0f, 2.0f, false},
        {4.2f, 1.5f, 6.0f, 3.5f, 0.2f, 0.8f, 1.0f, true},
        {17.0f, 3.0f, 30.0f, 10.0f, 1.0f, 1.0f, 1.0f, true},
        {5.0f, 2.0f, -3.5f, 2.0f, 1.0f, 1.0f, 1.0f, true},  // a negative scale mirrors the cells
    };
    for (const Params& k : cases) {
        auto e = render(k);
        EXPECT_EQ(differingPixels(*e, k), 0) << "time " << k.time;
    }
}

TEST_F(VoronoiCausticsEffectTest, ScalesTooLargeForTheCellTableStillFollowTheFormula) {
    const Params k{3.0f, 1.0f, 400.0f, 3.5f, 1.0f, 1.0f, 1.0f, false};
    auto e = render(k);
    EXPECT_EQ(differingPixels(*e, k), 0);
}

TEST_F(VoronoiCausticsEffectTest, SphereCornersAreTransparentBlackAndEveryPixelHasTheFloorColour) {
    auto e = render({6.0f, 1.5f, 6.0f, 10.0f, 1.0f, 1.0f, 1.0f, true});
    for (auto [x, y] : {std::array{0, 0}, {255, 0}, {0, 255}, {255, 255}})
        EXPECT_EQ(pixelOf(*e, x, y), (Rgba{0, 0, 0, 0}));
    auto flat = render({6.0f, 1.5f, 6.0f, 10.0f, 1.0f, 1.0f, 1.0f, false});
    int minimum = 255;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) minimum = std::min(minimum, pixelOf(*flat, x, y)[0]);
    EXPECT_EQ(minimum, 38) << "m <= 1 keeps value >= 0.15 * 255; sharpness 10 reaches it";
}

TEST_F(VoronoiCausticsEffectTest, GainZeroBlanksAChannelAndGainTwoSaturatesIt) {
    const Params k{1.0f, 1.5f, 6.0f, 0.5f, 0.0f, 2.0f, 1.0f, false};
    auto e = render(k);
    int saturated = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const Rgba px = pixelOf(*e, x, y);
            EXPECT_EQ(px[0], 0);
            saturated += px[1] == 255;
            if (px[1] == 255) {
                EXPECT_GE(px[2], 127) << "saturating at gain 2 means value >= 127.5";
            }
        }
    }
    EXPECT_GT(saturated, 1000);
}

TEST_F(VoronoiCausticsEffectTest, ComputesOncePerNewTimeAndSpeedZeroFreezesThePattern) {
    auto e = render({2.0f, 0.0f, 6.0f, 3.5f, 0.2f, 0.8f, 1.0f, true});
    auto texture = TextureManager::instance().getTexture("*DynamicCaustics_*");
    ASSERT_TRUE(texture);
    const std::vector<std::uint8_t> first = e->pixels;

    set(*e, "color.g", 0.0f);
    e->updateAllTracks(2.0f);
    EXPECT_EQ(e->pixels, first) << "an unchanged time computes nothing";

    set(*e, "color.g", 0.8f);
    e->updateAllTracks(50.0f);
    EXPECT_EQ(e->lastTime, 50.0f);
    EXPECT_EQ(e->pixels, first) << "speed 0 gives phase 0 at every time";

    std::vector<std::uint8_t> uploaded(256 * 256 * 4);
    glBindTexture(GL_TEXTURE_2D, texture->id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, uploaded.data());
    EXPECT_EQ(uploaded, first);
}

}  // namespace
