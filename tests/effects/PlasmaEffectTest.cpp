// PlasmaEffect: tracks, texture name and upload, and the image checked against the plasma
// formula evaluated here pixel by pixel with the C library's single-precision functions.
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
#include "effects/PlasmaEffect.h"
#include "support/GlFixture.h"
#include "support/TempDir.h"

namespace {

using Rgba = std::array<int, 4>;

struct Params {
    float time, speed, scale, r, g, b;
    bool sphere;
};

int channel(float v) { return std::clamp(static_cast<int>(std::trunc(v)), 0, 255); }

// The plasma of one pixel of the 256 x 256 image, step by step as the effect describes it.
Rgba expectedPixel(int x, int y, const Params& k) {
    const float pi = 3.14159265358979323846f;
    const float p = k.time * k.speed;
    float u = k.scale * x, v = k.scale * y;
    if (k.sphere) {
        const float nx = 2.0f * x / 255 - 1.0f, ny = 2.0f * y / 255 - 1.0f;
        const float d = nx * nx + ny * ny;
        if (d > 1.0f) return {0, 0, 0, 0};
        const float z = std::sqrt(1.0f - d);
        u = static_cast<float>(std::atan2(2.0f * z * nx, 2.0f * z * z - 1.0f) / (2.0 * std::numbers::pi) + 0.5) * 256 * k.scale;
        v = static_cast<float>(std::asin(2.0f * z * ny) / std::numbers::pi + 0.5) * 256 * k.scale;
    }
    const float s = std::sin(std::sqrt(u * u + v * v) + p) + std::sin(u + p) + std::sin(v + p) + std::sin(u + v + p);
    const float a = (s + 4.0f) * 0.125f * pi;
    return {channel(std::sin(a) * 255.0f * k.r), channel(std::sin(a + 2.0f) * 255.0f * k.g),
            channel(std::sin(a + 4.0f) * 255.0f * k.b), 255};
}

class PlasmaEffectTest : public GlFixture {
protected:
    void TearDown() override {
        TextureManager::instance().clear();
        GlFixture::TearDown();
    }

    std::unique_ptr<PlasmaEffect> make() {
        auto e = std::make_unique<PlasmaEffect>();
        e->init();
        return e;
    }
    static void set(PlasmaEffect& e, const char* track, float value) {
        e.findTrack(track)->setKey(0.0f, value, InterpType::Linear);
    }
    // Sets every parameter by its track and updates at k.time, the way the player does.
    std::unique_ptr<PlasmaEffect> render(const Params& k) {
        auto e = make();
        set(*e, "speed", k.speed);
        set(*e, "scale", k.scale);
        set(*e, "color.r", k.r);
        set(*e, "color.g", k.g);
        set(*e, "color.b", k.b);
        set(*e, "envMapMode", k.sphere ? 1.0f : 0.0f);
        e->updateAllTracks(k.time);
        return e;
    }
    static Rgba pixelOf(const PlasmaEffect& e, int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * 256 + x) * 4;
        return {e.pixels[i], e.pixels[i + 1], e.pixels[i + 2], e.pixels[i + 3]};
    }
};

TEST_F(PlasmaEffectTest, MakesItsTracksInOrderWithRangesAndDefaults) {
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
        {"speed", -10, 10, 3.0f, false, InterpType::Linear, &e->speed},
        {"scale", 0.01f, 0.5f, 0.05f, false, InterpType::Linear, &e->scale},
        {"color.r", 0, 2, 1.0f, false, InterpType::Linear, &e->colorR},
        {"color.g", 0, 2, 0.5f, false, InterpType::Linear, &e->colorG},
        {"color.b", 0, 2, 0.8f, false, InterpType::Linear, &e->colorB},
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
        EXPECT_EQ(*expected[i].member, expected[i].value) << t->name;
    }
    EXPECT_EQ(e->textureName, "*DynamicPlasma_*");
    EXPECT_EQ(e->pixels.size(), 256u * 256u * 4u);
    EXPECT_TRUE(std::all_of(e->pixels.begin(), e->pixels.end(), [](auto b) { return b == 255; }));
    EXPECT_EQ(e->lastTime, -1.0f);
}

TEST_F(PlasmaEffectTest, LogsItsConstructionAndBuildsTheNameFromTheInstanceNameAtInit) {
    TempDir dir;
    Logger::instance().open(dir.file("log.txt"), true);
    PlasmaEffect e;
    Logger::instance().close();
    std::ifstream in(dir.file("log.txt"));
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("] PlasmaEffect constructor called.\n"), std::string::npos) << log;

    e.instanceName = "Sky";
    e.init();
    EXPECT_EQ(e.textureName, "*DynamicPlasma_Sky*");
}

TEST_F(PlasmaEffectTest, ChosenPixelsEqualTheFormulaInBothLayouts) {
    const Params cases[] = {
        {0.0f, 3.0f, 0.05f, 1.0f, 0.5f, 0.8f, false},   // the defaults, flat
        {1.37f, -2.5f, 0.13f, 1.4f, 0.9f, 0.3f, false},
        {2.75f, 3.0f, 0.05f, 1.0f, 0.5f, 0.8f, true},    // the defaults, sphere
        {7.5f, 1.25f, 0.31f, 0.6f, 1.7f, 1.1f, true},
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

TEST_F(PlasmaEffectTest, WholeImageMatchesTheFormulaUpToRareLastBitSines) {
    const Params cases[] = {
        {0.5f, 3.0f, 0.05f, 1.0f, 0.5f, 0.8f, false},
        {123.25f, -7.0f, 0.47f, 2.0f, 1.0f, 0.2f, false},
        {3.3f, 3.0f, 0.05f, 1.0f, 0.5f, 0.8f, true},
        {61.0f, 9.5f, 0.5f, 1.5f, 1.9f, 0.7f, true},
    };
    for (const Params& k : cases) {
        auto e = render(k);
        int differing = 0;
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                const Rgba got = pixelOf(*e, x, y), want = expectedPixel(x, y, k);
                bool differs = false;
                for (int c = 0; c < 4; ++c) {
                    ASSERT_LE(std::abs(got[c] - want[c]), 1) << "pixel " << x << "," << y << " channel " << c;
                    differs |= got[c] != want[c];
                }
                differing += differs;
            }
        }
        EXPECT_LE(differing, 65) << "at most 0.1 % of the pixels may differ by one, time " << k.time;
    }
}

TEST_F(PlasmaEffectTest, SphereLayoutLeavesEverythingOutsideTheDiscTransparentBlack) {
    auto e = render({4.0f, 3.0f, 0.05f, 1.0f, 0.5f, 0.8f, true});
    for (auto [x, y] : {std::array{0, 0}, {255, 0}, {0, 255}, {255, 255}})
        EXPECT_EQ(pixelOf(*e, x, y), (Rgba{0, 0, 0, 0}));
    int outside = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const float nx = 2.0f * x / 255 - 1.0f, ny = 2.0f * y / 255 - 1.0f;
            const bool in = nx * nx + ny * ny <= 1.0f;
            outside += !in;
            EXPECT_EQ(pixelOf(*e, x, y)[3], in ? 255 : 0) << x << "," << y;
        }
    }
    EXPECT_GT(outside, 13000);  // about 1 - pi/4 of the square
}

TEST_F(PlasmaEffectTest, GainZeroBlanksAChannelAndGainTwoSaturatesIt) {
    auto e = render({2.0f, 3.0f, 0.05f, 0.0f, 2.0f, 0.0f, false});
    int saturated = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const Rgba px = pixelOf(*e, x, y);
            EXPECT_EQ(px[0], 0);
            EXPECT_EQ(px[2], 0);
            saturated += px[1] == 255;
        }
    }
    // sin(a + 2) * 510 reaches 255 for a good part of the range of a.
    EXPECT_GT(saturated, 1000);
}

TEST_F(PlasmaEffectTest, UploadsOncePerNewTimeAndSkipsAnUnchangedTime) {
    auto e = render({1.0f, 3.0f, 0.05f, 1.0f, 0.5f, 0.8f, false});
    auto texture = TextureManager::instance().getTexture("*DynamicPlasma_*");
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->width, 256);
    auto readBack = [&] {
        std::vector<std::uint8_t> data(256 * 256 * 4);
        glBindTexture(GL_TEXTURE_2D, texture->id);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, data.data());
        return data;
    };
    const std::vector<std::uint8_t> first = e->pixels;
    EXPECT_EQ(readBack(), first);

    // Same time, other gains: nothing is computed or uploaded.
    set(*e, "color.r", 0.0f);
    e->updateAllTracks(1.0f);
    EXPECT_EQ(e->colorR, 0.0f);
    EXPECT_EQ(e->pixels, first);
    EXPECT_EQ(readBack(), first);

    e->updateAllTracks(1.5f);
    EXPECT_EQ(e->lastTime, 1.5f);
    EXPECT_NE(e->pixels, first);
    EXPECT_EQ(readBack(), e->pixels);
    for (std::size_t i = 0; i < e->pixels.size(); i += 4) ASSERT_EQ(e->pixels[i], 0);
}

TEST_F(PlasmaEffectTest, SpeedZeroRecomputesTheSameImageAndADisabledPlasmaFreezes) {
    auto e = render({1.0f, 0.0f, 0.05f, 1.0f, 0.5f, 0.8f, true});
    const std::vector<std::uint8_t> first = e->pixels;
    e->updateAllTracks(9.0f);
    EXPECT_EQ(e->lastTime, 9.0f);
    EXPECT_EQ(e->pixels, first);

    set(*e, "speed", 3.0f);
    e->findTrack("enabled")->setKey(0.0f, 0.0f, InterpType::Step);
    e->updateAllTracks(12.0f);
    EXPECT_EQ(e->lastTime, 9.0f) << "onUpdate runs only while enabled";
    EXPECT_EQ(e->pixels, first);
}

TEST_F(PlasmaEffectTest, HugeArgumentsFallBackToThePlainFormula) {
    // 20000 s at speed 10: phases beyond the vector sine's range take the library path.
    const Params k{20000.0f, 10.0f, 0.5f, 1.0f, 0.5f, 0.8f, false};
    auto e = render(k);
    for (int y = 0; y < 256; y += 5)
        for (int x = 0; x < 256; x += 3) ASSERT_EQ(pixelOf(*e, x, y), expectedPixel(x, y, k)) << x << "," << y;
}

}  // namespace
