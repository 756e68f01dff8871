// LeftfieldAutomataEffect: the seed against the shared generator, the cyclic step checked by
// hand on the torus, the reseed and step timing, and the triangle colours at cell centres as
// the headless renderer draws them.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "base/Random.h"
#include "effects/LeftfieldAutomataEffect.h"
#include "support/BadInput.h"
#include "support/GlFixture.h"
#include "support/TrackTable.h"

namespace {

using Grid = std::int32_t[LeftfieldAutomataEffect::kRows][LeftfieldAutomataEffect::kColumns];

void set(Effect& e, const char* track, float value) { e.findTrack(track)->setKey(0.0f, value, InterpType::Linear); }

void renderAt(LeftfieldAutomataEffect& e, float time) {
    e.updateAllTracks(time);
    e.render();
}

bool sameGrid(const Grid& a, const Grid& b) { return std::memcmp(a, b, sizeof(Grid)) == 0; }

TEST(LeftfieldAutomata, TracksAndTheSeededGridThresholdAndRangeFromTheSharedGenerator) {
    LeftfieldAutomataEffect e;
    e.init();
    expectTrackTable(e, {
                            {"rule_seed", 0, 1000, 42, false, InterpType::Step},
                            {"speed", 1, 60, 20, false, InterpType::Linear},
                            {"gap", 0, 0.5f, 0.05f, false, InterpType::Linear},
                            {"zoom", 0.1f, 5, 1.2f, false, InterpType::Linear},
                            {"complexity", 0, 1, 0.5f, false, InterpType::Linear},
                            {"wobble", 0, 1, 0.1f, false, InterpType::Linear},
                            {"alpha", 0, 1, 1, false, InterpType::Linear},
                            {"enabled", 0, 1, 1, true, InterpType::Step},
                        });
    for (int seed : {42, 7, 999}) {
        e.seed(seed);
        const std::uint32_t after = runtime::randState();
        runtime::srand(static_cast<std::uint32_t>(seed));
        for (int r = 0; r < LeftfieldAutomataEffect::kRows; ++r)
            for (int c = 0; c < LeftfieldAutomataEffect::kColumns; ++c)
                ASSERT_EQ(e.grid[r][c], runtime::rand() % 5) << "seed " << seed << " cell " << r << "," << c;
        EXPECT_EQ(e.threshold, runtime::rand() % 4 + 1) << seed;
        EXPECT_EQ(e.range, runtime::rand() % 2 + 1) << seed;
        EXPECT_EQ(after, runtime::randState()) << "the other effects go on from here";
    }
}

// All cells 0 but a few; a 0 cell moves on to 1 when `threshold` of its neighbours hold 1, and
// the 4 at (50, 40) moves on to 0 among its zeros. (0, 0) sees (99, 79) and (1, 1) only
// across the edges; range 2 also reaches (98, 78) and (2, 2).
TEST(LeftfieldAutomata, OneStepOnTheTorus) {
    const struct {
        int range, threshold;
        std::vector<std::pair<int, int>> ones;
        int corner;  // state of (0, 0) afterwards
    } cases[] = {
        {1, 2, {{99, 79}, {1, 1}}, 1},
        {1, 3, {{99, 79}, {1, 1}}, 0},
        {1, 2, {{98, 78}, {2, 2}}, 0},
        {2, 2, {{98, 78}, {2, 2}}, 1},
    };
    for (const auto& k : cases) {
        LeftfieldAutomataEffect e;
        std::memset(e.grid, 0, sizeof e.grid);
        for (auto [r, c] : k.ones) e.grid[r][c] = 1;
        e.grid[50][40] = 4;
        e.range = k.range;
        e.threshold = k.threshold;
        Grid expected;
        std::memcpy(expected, e.grid, sizeof expected);
        expected[0][0] = k.corner;
        expected[50][40] = 0;
        e.step();
        EXPECT_TRUE(sameGrid(e.grid, expected)) << "range " << k.range << " threshold " << k.threshold;
    }
}

TEST(LeftfieldAutomata, ReseedsOnSeedChangeAndOnJumpsBackOfMoreThanHalfASecond) {
    LeftfieldAutomataEffect e, seeded;
    e.init();
    Grid of42;
    std::memcpy(of42, e.grid, sizeof of42);
    renderAt(e, 2.0f);  // steps
    ASSERT_FALSE(sameGrid(e.grid, of42));
    Grid stepped;
    std::memcpy(stepped, e.grid, sizeof stepped);
    renderAt(e, 1.6f);
    EXPECT_TRUE(sameGrid(e.grid, stepped)) << "0.4 s back keeps the grid";
    renderAt(e, 2.2f);
    renderAt(e, 1.6f);
    EXPECT_TRUE(sameGrid(e.grid, of42)) << "0.6 s back reseeds";

    set(e, "rule_seed", 43.2f);
    renderAt(e, 1.6f);
    seeded.seed(43);
    EXPECT_TRUE(sameGrid(e.grid, seeded.grid));
    set(e, "rule_seed", 42.0f);
    renderAt(e, 1.6f);
    EXPECT_TRUE(sameGrid(e.grid, of42));
    EXPECT_EQ(e.lastSeed, 42);
}

TEST(LeftfieldAutomata, Speed60At30FramesPerSecondStepsOncePerFrame) {
    LeftfieldAutomataEffect e, twin;
    e.init();
    set(e, "speed", 60.0f);
    set(e, "rule_seed", 5.0f);  // threshold 2, range 2: keeps changing
    renderAt(e, 0.5f);
    twin.seed(5);
    for (int frame = 0; frame < 10; ++frame) {
        Grid before;
        std::memcpy(before, e.grid, sizeof before);
        renderAt(e, 1.0f + static_cast<float>(frame) / 30.0f);
        twin.step();
        ASSERT_FALSE(sameGrid(e.grid, before)) << "frame " << frame;
        EXPECT_TRUE(sameGrid(e.grid, twin.grid)) << "frame " << frame;
    }
}

class LeftfieldAutomataGl : public GlFixture {
protected:
    LeftfieldAutomataGl() : GlFixture(320, 256) {}
};

// Centre of cell (r, c) in pixels for zoom 1 and aspect 1.25, and the colour of a triangle
// drawn there over `below` (alpha 0.95).
TEST_F(LeftfieldAutomataGl, TrianglesShowTheirStateColoursAtTheComputedCentres) {
    LeftfieldAutomataEffect e;
    e.init();
    set(e, "zoom", 1.0f);
    set(e, "gap", 0.0f);
    set(e, "wobble", 0.0f);
    const float* const palette = &LeftfieldAutomataEffect::kPalette[0][0];
    auto over = [&](int state, const float below[3], float out[3]) {
        for (int i = 0; i < 3; ++i) out[i] = palette[state * 4 + i] * 0.95f + below[i] * 0.05f;
    };
    for (float complexity : {0.0f, 1.0f}) {
        set(e, "complexity", complexity);
        glClear(GL_COLOR_BUFFER_BIT);
        renderAt(e, 0.05f);  // the seeded grid, no step
        for (auto [r, c] : {std::pair{50, 40}, {41, 33}, {58, 47}, {47, 36}, {53, 44}, {44, 45}}) {
            const float x = 0.5f * 0.13856399f * static_cast<float>(r - 50), y = 0.12f * static_cast<float>(c - 40);
            const auto px = pixel(static_cast<int>((x / 1.25f + 1.0f) * 160.0f), static_cast<int>((y + 1.0f) * 128.0f));
            const int s = e.grid[r][c];
            const float black[3] = {0, 0, 0};
            float main[3], inner[3], centre[3];
            over(s, black, main);
            over((s + 2) % 5, main, inner);
            over(0, inner, centre);
            const float* expected = complexity == 0.0f ? main : s % 2 == 0 ? inner : centre;
            for (int i = 0; i < 3; ++i)
                EXPECT_NEAR(px[i], expected[i] * 255.0f, 2.0f) << "cell " << r << "," << c << " state " << s << " channel " << i;
        }
    }
}

TEST_F(LeftfieldAutomataGl, SurvivesBadTrackValuesTimesAndViewports) {
    LeftfieldAutomataEffect e;
    e.init();
    expectSurvivesBadInput(e, {"rule_seed", "speed", "gap", "zoom", "complexity", "wobble", "alpha"});
    set(e, "rule_seed", 3.0e38f);
    renderAt(e, 5.0f);
    EXPECT_EQ(e.lastSeed, INT32_MAX);
}

}  // namespace
