// ClassicFireEffect: palette, tracks, the automaton's use of the shared generator (call order
// and count per step), decay, the steps per update, and the flat and sphere colouring.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "core/Random.h"
#include "core/TextureManager.h"
#include "effects/ClassicFireEffect.h"
#include "support/GlFixture.h"

namespace {

constexpr int kSize = 256;
// Generator calls per step: one per seed cell, two per cell of the 255 rows above it.
constexpr int kCallsPerStep = kSize + 2 * (kSize - 1) * kSize;

using Rgba = std::array<int, 4>;

class ClassicFireEffectTest : public GlFixture {
protected:
    void TearDown() override {
        TextureManager::instance().clear();
        GlFixture::TearDown();
    }
    static std::unique_ptr<ClassicFireEffect> make(bool sphere = false) {
        auto e = std::make_unique<ClassicFireEffect>();
        e->init();
        set(*e, "envMapMode", sphere ? 1.0f : 0.0f);
        return e;
    }
    static void set(ClassicFireEffect& e, const char* track, float value) {
        e.findTrack(track)->setKey(0.0f, value, InterpType::Linear);
    }
    static Rgba pixelOf(const ClassicFireEffect& e, int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * kSize + x) * 4;
        return {e.pixels[i], e.pixels[i + 1], e.pixels[i + 2], e.pixels[i + 3]};
    }
    // The generator's next value after `calls` draws from `seed`.
    static int valueAfter(std::uint32_t seed, int calls) {
        runtime::srand(seed);
        for (int i = 0; i < calls; ++i) runtime::rand();
        return runtime::rand();
    }
};

TEST_F(ClassicFireEffectTest, PaletteRunsFromBlackThroughRedAndYellowToWhite) {
    auto e = make();
    using Entry = std::array<std::uint8_t, 3>;
    EXPECT_EQ(e->palette[0], (Entry{0, 0, 0}));
    EXPECT_EQ(e->palette[84], (Entry{252, 0, 0}));
    EXPECT_EQ(e->palette[85], (Entry{255, 0, 0}));
    EXPECT_EQ(e->palette[169], (Entry{255, 252, 0}));
    EXPECT_EQ(e->palette[170], (Entry{255, 255, 0}));
    EXPECT_EQ(e->palette[200], (Entry{255, 255, 90}));
    EXPECT_EQ(e->palette[255], (Entry{255, 255, 255}));
}

TEST_F(ClassicFireEffectTest, MakesItsTracksBuffersAndName) {
    auto e = std::make_unique<ClassicFireEffect>();
    EXPECT_EQ(e->cooling, 0.025f);
    e->init();
    const char* names[] = {"enabled", "intensity", "cooling", "speed", "envMapMode"};
    ASSERT_EQ(e->tracks.size(), std::size(names));
    for (std::size_t i = 0; i < std::size(names); ++i) EXPECT_EQ(e->tracks[i]->getName(), names[i]);
    EXPECT_EQ(e->cooling, 0.008f) << "the track's default replaces the initial value";
    EXPECT_EQ(e->intensity, 1.2f);
    EXPECT_EQ(e->speed, 1.0f);
    KeyframeTrack* cooling = e->findTrack("cooling");
    EXPECT_EQ(cooling->minValue, 0.001f);
    EXPECT_EQ(cooling->maxValue, 0.2f);
    KeyframeTrack* mode = e->findTrack("envMapMode");
    EXPECT_TRUE(mode->snapToInteger);
    EXPECT_EQ(mode->keys.begin()->second.interp, InterpType::Step);
    EXPECT_EQ(e->findTrack("speed")->maxValue, 5.0f);
    EXPECT_EQ(e->textureName, "*DynamicFire_*");
    EXPECT_EQ(e->heat.size(), 65536u);
    EXPECT_EQ(e->nextHeat.size(), 65536u);
    EXPECT_EQ(e->pixels.size(), 65536u * 4);
}

TEST_F(ClassicFireEffectTest, OneStepSeedsFromTheGeneratorThenRisesInItsCallOrder) {
    auto e = make();
    set(*e, "intensity", 0.9f);
    set(*e, "cooling", 0.05f);
    runtime::srand(20240601);
    std::vector<int> draws(kCallsPerStep + 1);
    for (int& d : draws) d = runtime::rand();

    runtime::srand(20240601);
    e->updateAllTracks(0.5f);
    EXPECT_EQ(runtime::rand(), draws[kCallsPerStep]) << "exactly one step's worth of draws";

    // The seed row as drawn, left to right.
    std::array<float, kSize> seed{};
    for (int x = 0; x < kSize; ++x) seed[x] = std::clamp(static_cast<float>(draws[x] % 255) * 0.9f, 0.0f, 255.0f);
    // Row 1 rises from the seed row: per cell one draw for the column, then one for the loss.
    int next = kSize;
    for (int x = 0; x < kSize; ++x) {
        int sx = x + draws[next++] % 3 - 1;
        if (sx < 0) sx += kSize;
        if (sx >= kSize) sx -= kSize;
        const float h = seed[sx] - 0.05f * 255.0f - static_cast<float>(draws[next++] % 4);
        ASSERT_EQ(e->heat[kSize + x], std::max(0.0f, h)) << "column " << x;
    }
    // Everything else rose from the empty field of before, and the seed row reads 0 again.
    for (int i = 0; i < kSize; ++i) EXPECT_EQ(e->heat[i], 0.0f);
    for (int i = 2 * kSize; i < kSize * kSize; ++i) ASSERT_EQ(e->heat[i], 0.0f);
    // Flat layout: pixel (x, 1) shows row 1 through the palette.
    for (int x = 0; x < kSize; ++x) {
        const int k = std::clamp(static_cast<int>(std::trunc(e->heat[kSize + x])), 0, 255);
        const auto& c = e->palette[k];
        ASSERT_EQ(pixelOf(*e, x, 1), (Rgba{c[0], c[1], c[2], k > 0 ? 255 : 0})) << "column " << x;
    }
}

TEST_F(ClassicFireEffectTest, SpeedSetsTheStepsPerNewTimeAndAnUnchangedTimeRunsNone) {
    auto e = make();
    const std::pair<float, int> cases[] = {{2.6f, 3}, {0.0f, 1}, {0.4f, 1}, {1.5f, 2}, {5.0f, 5}};
    float time = 1.0f;
    for (auto [speed, steps] : cases) {
        set(*e, "speed", speed);
        runtime::srand(77);
        e->updateAllTracks(time);
        const int afterNewTime = runtime::rand();
        EXPECT_EQ(afterNewTime, valueAfter(77, steps * kCallsPerStep)) << "speed " << speed;
        runtime::srand(77);
        e->updateAllTracks(time);
        const int afterSameTime = runtime::rand();
        EXPECT_EQ(afterSameTime, valueAfter(77, 0)) << "same time again, speed " << speed;
        time += 1.0f;
    }
}

TEST_F(ClassicFireEffectTest, AbsurdSpeedsAreBoundedAndNaNRunsOneStep) {
    auto e = make();
    set(*e, "speed", 1.0e12f);
    runtime::srand(5);
    e->updateAllTracks(1.0f);
    const int afterHuge = runtime::rand();
    EXPECT_EQ(afterHuge, valueAfter(5, ClassicFireEffect::kMaxStepsPerUpdate * kCallsPerStep));
    set(*e, "speed", std::nanf(""));
    runtime::srand(5);
    e->updateAllTracks(2.0f);
    const int afterNaN = runtime::rand();
    EXPECT_EQ(afterNaN, valueAfter(5, kCallsPerStep));
}

TEST_F(ClassicFireEffectTest, IntensityZeroBurnsOutWithinTheFieldHeight) {
    auto e = make();
    float time = 0.0f;
    for (int i = 0; i < 40; ++i) e->updateAllTracks(time += 0.1f);
    auto lit = [&] {
        int n = 0;
        for (std::size_t i = 3; i < e->pixels.size(); i += 4) n += e->pixels[i] != 0;
        return n;
    };
    EXPECT_GT(lit(), 1000) << "a burning fire first";

    set(*e, "intensity", 0.0f);
    for (int i = 0; i < 20; ++i) e->updateAllTracks(time += 0.1f);
    EXPECT_GT(lit(), 0) << "still burning after 20 steps";
    for (int i = 20; i < kSize; ++i) e->updateAllTracks(time += 0.1f);
    EXPECT_TRUE(std::all_of(e->heat.begin(), e->heat.end(), [](float h) { return h == 0.0f; }));
    EXPECT_EQ(lit(), 0);
}

TEST_F(ClassicFireEffectTest, BottomRowIsAlwaysEmptyAndFullHeatIsWhite) {
    auto e = make();
    float time = 0.0f;
    for (int i = 0; i < 30; ++i) {
        e->updateAllTracks(time += 0.1f);
        for (int x = 0; x < kSize; ++x) ASSERT_EQ(pixelOf(*e, x, 0), (Rgba{0, 0, 0, 0})) << "step " << i;
    }
    e->heat[5 * kSize + 7] = 255.0f;
    e->heat[5 * kSize + 8] = 1000.0f;
    e->heat[5 * kSize + 9] = 0.99f;
    e->colourImage();
    EXPECT_EQ(pixelOf(*e, 7, 5), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(pixelOf(*e, 8, 5), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(pixelOf(*e, 9, 5), (Rgba{0, 0, 0, 0})) << "heat below 1 truncates to 0";
}

TEST_F(ClassicFireEffectTest, SphereLayoutShowsTheMappedCellAndClearCorners) {
    auto e = make(true);
    float time = 0.0f;
    for (int i = 0; i < 60; ++i) e->updateAllTracks(time += 0.1f);
    for (auto [x, y] : {std::array{0, 0}, {255, 0}, {0, 255}, {255, 255}})
        EXPECT_EQ(pixelOf(*e, x, y), (Rgba{0, 0, 0, 0}));
    int checked = 0;
    for (int y = 0; y < kSize; y += 3) {
        for (int x = 0; x < kSize; x += 5) {
            const float nx = 2.0f * x / 255 - 1.0f, ny = 2.0f * y / 255 - 1.0f;
            const float d = nx * nx + ny * ny;
            if (d > 1.0f) {
                ASSERT_EQ(pixelOf(*e, x, y), (Rgba{0, 0, 0, 0}));
                continue;
            }
            const float z = std::sqrt(1.0f - d);
            const float u = static_cast<float>(std::atan2(2.0f * z * nx, 2.0f * z * z - 1.0f) / (2.0 * std::numbers::pi) + 0.5);
            const float v = static_cast<float>(std::asin(2.0f * z * ny) / std::numbers::pi + 0.5);
            const int sx = std::clamp(static_cast<int>(std::trunc(u * 256)), 0, 255);
            const int sy = std::clamp(static_cast<int>(std::trunc(v * 256)), 0, 255);
            const int k = std::clamp(static_cast<int>(std::trunc(e->heat[sy * kSize + sx])), 0, 255);
            const auto& c = e->palette[k];
            ASSERT_EQ(pixelOf(*e, x, y), (Rgba{c[0], c[1], c[2], k > 0 ? 255 : 0})) << x << "," << y;
            checked += k > 0;
        }
    }
    EXPECT_GT(checked, 100) << "the check saw burning cells";
}

TEST_F(ClassicFireEffectTest, UploadsToTheStoreUnderItsDynamicName) {
    EXPECT_FALSE(TextureManager::instance().getTexture("*DynamicFire_*"));
    auto e = make();
    e->updateAllTracks(0.25f);
    auto texture = TextureManager::instance().getTexture("*DynamicFire_*");
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->width, 256);
    EXPECT_EQ(texture->height, 256);
}

}  // namespace
