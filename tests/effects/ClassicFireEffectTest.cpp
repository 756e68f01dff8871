// ClassicFireEffect: palette and colouring in both layouts, the upload, the automaton's use of the
// shared generator (call order and count per step), decay, the steps per update, burning out.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/Random.h"
#include "core/TextureManager.h"
#include "effects/ClassicFireEffect.h"
#include "support/GlFixture.h"
#include "baselines/ProceduralReference.h"
#include "support/EffectHelpers.h"

namespace {

using reference::kSize;
using reference::pixelAt;
using reference::Rgba;
// Generator calls per step: one per seed cell, two per cell of the 255 rows above it.
constexpr int kCallsPerStep = kSize + 2 * (kSize - 1) * kSize;

class ClassicFireEffectTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        fire.init();
        setKeys(fire, {{"envMapMode", 0.0f}});
    }
    // The generator's next value after `calls` draws from `seed`.
    static int valueAfter(std::uint32_t seed, int calls) {
        runtime::srand(seed);
        for (int i = 0; i < calls; ++i) runtime::rand();
        return runtime::rand();
    }
    // A heat's pixel: the palette entry of the truncated, clamped heat; heat 0 is transparent.
    Rgba colourOf(float heat) const {
        const int k = std::clamp(static_cast<int>(std::trunc(heat)), 0, 255);
        return {fire.palette[k][0], fire.palette[k][1], fire.palette[k][2], k > 0 ? 255 : 0};
    }
    ClassicFireEffect fire;
};

TEST_F(ClassicFireEffectTest, UploadsItsImage) {
    ClassicFireEffect e;
    e.init();
    e.updateAllTracks(0.25f);
    auto texture = TextureManager::instance().getTexture("*DynamicFire_*");
    ASSERT_TRUE(texture);
    EXPECT_EQ(texels(texture->id, 256, 256), e.image.pixels);
}

// The colouring alone (no step) of a field holding every heat, below 1 and above 255 too.
TEST_F(ClassicFireEffectTest, PaletteRunsFromBlackThroughRedAndYellowToWhiteFlatAndOnTheSphere) {
    const std::pair<int, std::array<std::uint8_t, 3>> entries[] = {
        {0, {0, 0, 0}}, {84, {252, 0, 0}}, {169, {255, 252, 0}}, {200, {255, 255, 90}}, {255, {255, 255, 255}}};
    for (auto [i, rgb] : entries) EXPECT_EQ(fire.palette[i], rgb) << "entry " << i;
    for (std::size_t i = 0; i < fire.heat.size(); ++i) fire.heat[i] = static_cast<float>(i * 7 % 300) + 0.5f;
    auto cellIndex = [](float t) { return std::clamp(static_cast<int>(std::trunc(t * kSize)), 0, kSize - 1); };
    for (const bool sphere : {false, true}) {
        fire.envMapMode = sphere ? 1.0f : 0.0f;
        fire.colourImage();
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                float u, v;
                Rgba expected = colourOf(fire.heat[y * kSize + x]);
                if (sphere)
                    expected = reference::sphereCoordinates(x, y, u, v)
                                   ? colourOf(fire.heat[cellIndex(v) * kSize + cellIndex(u)]) : Rgba{0, 0, 0, 0};
                ASSERT_EQ(pixelAt(fire.image.pixels, x, y), expected) << x << "," << y << " sphere " << sphere;
            }
        }
    }
}

TEST_F(ClassicFireEffectTest, OneStepSeedsFromTheGeneratorThenRisesInItsCallOrder) {
    setKeys(fire, {{"intensity", 0.9f}, {"cooling", 0.05f}});
    runtime::srand(20240601);
    std::vector<int> draws(kCallsPerStep + 1);
    for (int& d : draws) d = runtime::rand();
    runtime::srand(20240601);
    fire.updateAllTracks(0.5f);
    EXPECT_EQ(runtime::rand(), draws[kCallsPerStep]) << "exactly one step's worth of draws";
    // Row 1 rises from the seed row as drawn: per cell one draw for the column, one for the loss.
    std::vector<float> seed(kSize);
    for (int x = 0; x < kSize; ++x) seed[x] = std::clamp(static_cast<float>(draws[x] % 255) * 0.9f, 0.0f, 255.0f);
    for (int x = 0, next = kSize; x < kSize; ++x) {
        const int sx = (x + draws[next++] % 3 - 1 + kSize) % kSize;
        const float h = seed[sx] - 0.05f * 255.0f - static_cast<float>(draws[next++] % 4);
        ASSERT_EQ(fire.heat[kSize + x], std::max(0.0f, h)) << "column " << x;
        ASSERT_EQ(pixelAt(fire.image.pixels, x, 1), colourOf(fire.heat[kSize + x])) << "column " << x;
    }
    // Everything else rose from the empty field of before, and the seed row reads 0 again.
    for (int i = 0; i < kSize; ++i) ASSERT_EQ(fire.heat[i], 0.0f) << i;
    for (int i = 2 * kSize; i < kSize * kSize; ++i) ASSERT_EQ(fire.heat[i], 0.0f) << i;
}

TEST_F(ClassicFireEffectTest, SpeedSetsTheStepsPerNewTimeAndAnUnchangedTimeRunsNone) {
    const std::pair<float, int> cases[] = {
        {2.6f, 3}, {0.0f, 1}, {1.5f, 2}, {1.0e12f, ClassicFireEffect::kMaxStepsPerUpdate}, {std::nanf(""), 1}};
    float time = 1.0f;
    for (auto [speed, steps] : cases) {
        setKeys(fire, {{"speed", speed}});
        for (int calls : {steps * kCallsPerStep, 0}) {  // a new time, then the same time again
            runtime::srand(77);
            fire.updateAllTracks(time);
            const int next = runtime::rand();
            EXPECT_EQ(next, valueAfter(77, calls)) << "speed " << speed << ", " << calls << " calls";
        }
        time += 1.0f;
    }
}

TEST_F(ClassicFireEffectTest, BottomRowStaysEmptyAndIntensityZeroBurnsOutWithinTheFieldHeight) {
    auto lit = [&] {
        int n = 0;
        for (std::size_t i = 3; i < fire.image.pixels.size(); i += 4) n += fire.image.pixels[i] != 0;
        return n;
    };
    float time = 0.0f;
    for (int i = 0; i < 40; ++i) {
        fire.updateAllTracks(time += 0.1f);
        for (int x = 0; x < kSize; ++x) ASSERT_EQ(pixelAt(fire.image.pixels, x, 0), (Rgba{0, 0, 0, 0})) << "step " << i;
    }
    EXPECT_GT(lit(), 1000) << "a burning fire first";
    setKeys(fire, {{"intensity", 0.0f}});
    for (int i = 0; i < 20; ++i) fire.updateAllTracks(time += 0.1f);
    EXPECT_GT(lit(), 0) << "still burning after 20 steps";
    for (int i = 20; i < kSize; ++i) fire.updateAllTracks(time += 0.1f);
    EXPECT_TRUE(std::all_of(fire.heat.begin(), fire.heat.end(), [](float h) { return h == 0.0f; }));
    EXPECT_EQ(lit(), 0);
}

}  // namespace
