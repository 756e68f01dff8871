// LeftfieldAutomataEffect: the seed against the shared generator, one step checked by hand on
// the torus, the reseed and step timing, and triangle colours at cell centres as drawn. The
// bad-value sweep: AllEffectsTest.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "base/Random.h"
#include "effects/LeftfieldAutomataEffect.h"
#include "support/EffectHelpers.h"
#include "support/GlFixture.h"

namespace {

using Automaton = LeftfieldAutomataEffect;

std::vector<int> cells(const Automaton& e) { return {&e.grid[0][0], &e.grid[0][0] + 100 * 80}; }
std::vector<int> renderAt(Automaton& e, float time) { return e.updateAllTracks(time), e.render(), cells(e); }
std::vector<int> seeded(int seed) {
    Automaton e;
    return e.seed(seed), cells(e);
}

TEST(LeftfieldAutomata, SeedDrawsCellsThenThresholdThenRangeFromTheSharedGenerator) {
    Automaton e;
    for (int seed : {42, 7, 999}) {
        e.seed(seed);
        const std::uint32_t after = runtime::randState();
        runtime::srand(static_cast<std::uint32_t>(seed));
        for (auto& row : e.grid)
            for (std::int32_t cell : row) ASSERT_EQ(cell, runtime::rand() % 5) << seed;
        EXPECT_EQ(e.threshold, runtime::rand() % 4 + 1) << seed;
        EXPECT_EQ(e.range, runtime::rand() % 2 + 1) << seed;
        EXPECT_EQ(after, runtime::randState()) << "the other effects go on from here";
    }
}

// All cells 0 but two 1s and a 4 at (50, 40), which moves on to 0 among its zeros. (0, 0)
// sees (99, 79) and (1, 1) across the edges; range 2 also reaches (98, 78) and (2, 2).
TEST(LeftfieldAutomata, OneStepOnTheTorus) {
    const int cases[][7] = {{1, 2, 99, 79, 1, 1, 1}, {1, 3, 99, 79, 1, 1, 0}, {1, 2, 98, 78, 2, 2, 0}, {2, 2, 98, 78, 2, 2, 1}};
    for (auto [range, threshold, r1, c1, r2, c2, corner] : cases) {
        Automaton e;
        std::memset(e.grid, 0, sizeof e.grid);
        e.grid[r1][c1] = e.grid[r2][c2] = 1;
        e.grid[50][40] = 4;
        e.range = range, e.threshold = threshold;
        e.step();
        std::vector<int> expected(100 * 80, 0);
        expected[r1 * 80 + c1] = expected[r2 * 80 + c2] = 1, expected[0] = corner;
        EXPECT_EQ(cells(e), expected) << range << " " << threshold;
    }
}

TEST(LeftfieldAutomata, ReseedsOnSeedChangesAndJumpsBackOverHalfASecondAndStepsAtMostOncePerFrame) {
    Automaton e, twin;
    e.init();
    const std::vector<int> stepped = renderAt(e, 2.0f);
    ASSERT_NE(stepped, seeded(42));
    EXPECT_EQ(renderAt(e, 1.6f), stepped) << "0.4 s back keeps the grid";
    renderAt(e, 2.2f);
    EXPECT_EQ(renderAt(e, 1.6f), seeded(42)) << "0.6 s back reseeds";
    setKeys(e, {{"rule_seed", 43.2f}});
    EXPECT_EQ(renderAt(e, 1.6f), seeded(43));
    setKeys(e, {{"rule_seed", 42.0f}});
    EXPECT_EQ(renderAt(e, 1.6f), seeded(42)) << "42, 43, 42";
    setKeys(e, {{"rule_seed", 5.0f}, {"speed", 60.0f}});  // seed 5: threshold 2, range 2, keeps changing
    EXPECT_EQ(renderAt(e, 0.5f), (twin.seed(5), cells(twin)));
    for (int frame = 0; frame < 10; ++frame)  // 30 frames a second: the twin's one step, not zero or two
        EXPECT_EQ(renderAt(e, 1.0f + static_cast<float>(frame) / 30.0f), (twin.step(), cells(twin))) << frame;
}

class LeftfieldAutomataGl : public GlFixture {
protected:
    LeftfieldAutomataGl() : GlFixture(320, 256) {}  // aspect 1.25
};

// Zoom 1, no gap, no wobble, the seeded grid (t < 0.1). Each triangle over the centre blends
// 0.95 of its palette colour with 0.05 of what lies below.
TEST_F(LeftfieldAutomataGl, TrianglesShowStateColoursAtTheComputedCentres) {
    Automaton e;
    e.init();
    for (float complexity : {0.0f, 1.0f}) {
        setKeys(e, {{"zoom", 1.0f}, {"gap", 0.0f}, {"wobble", 0.0f}, {"complexity", complexity}});
        renderAt(e, 0.05f);
        for (auto [r, c] : {std::pair{50, 40}, {41, 33}, {58, 47}, {47, 36}, {53, 44}, {44, 45}}) {
            const float x = 0.5f * 0.13856399f * static_cast<float>(r - 50), y = 0.12f * static_cast<float>(c - 40);
            const auto px = pixel(static_cast<int>((x / 1.25f + 1.0f) * 160.0f), static_cast<int>((y + 1.0f) * 128.0f));
            const int s = e.grid[r][c];
            std::vector<int> layers{s};  // the states of the triangles drawn over the centre, in order
            if (complexity > 0.1f) layers.push_back((s + 2) % 5);
            if (complexity > 0.1f && s % 2 == 1) layers.push_back(0);
            for (int i = 0; i < 3; ++i) {
                float colour = 0.0f;
                for (int layer : layers) colour = Automaton::kPalette[layer][i] * 0.95f + colour * 0.05f;
                EXPECT_NEAR(px[i], colour * 255.0f, 2.0f) << r << "," << c << " state " << s;
            }
        }
        glClear(GL_COLOR_BUFFER_BIT);
    }
}

}  // namespace
