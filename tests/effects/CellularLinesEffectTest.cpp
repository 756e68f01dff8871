// CellularLinesEffect: rules 30 and 0 from the seed; regrowing against growing forward and the
// shifting automaton; the sparks; the shapes; arrays against immediate mode; bad speeds, times and
// rules (the bad-value sweep of every track: AllEffectsTest).
#include <gtest/gtest.h>

#include <string>

#include "base/Random.h"
#include "effects/CellularLinesEffect.h"
#include "support/EffectHelpers.h"
#include "support/GlFixture.h"
#include "baselines/SceneObjectsReference.h"

namespace {

constexpr float kNaN = NAN, kInf = INFINITY;
constexpr int kMax = CellularLinesEffect::kMaxGeneration;

constexpr auto linesWith = [](Keys keys) { return effectWith<CellularLinesEffect>(keys); };

TEST(CellularLinesAutomaton, Rule30sTriangleRule0sLoneSeedAndRegrowingLikeTheShiftingAutomaton) {
    auto lines = linesWith({{"speed", 1.0f}});
    lines->updateAllTracks(3.5f);
    EXPECT_EQ(lines->generated(), 3);
    EXPECT_FLOAT_EQ(lines->rowFraction, 0.5f);
    const char* triangle[4] = {".....11.1111.....", "......11..1......", ".......111.......", "........1........"};
    for (int r = 0; r < 4; ++r) {
        std::string text;  // cells 24..40
        for (int j = 24; j <= 40; ++j) text += lines->cell(r, j) ? '1' : '.';
        EXPECT_EQ(text, triangle[r]) << "row " << r;
    }
    lines->findTrack("rule")->setKey(0.0f, 0.0f, InterpType::Step);
    lines->updateAllTracks(5.0f);
    for (int r = 0; r < CellularLinesEffect::kGenerations; ++r)
        EXPECT_EQ(lines->cellRow(r), r == 5 ? std::uint64_t{1} << 32 : 0u) << "row " << r;
    // Regrowing after a seek back or a rule change gives the cells of growing forward.
    for (const auto& [rule, time] : {std::pair{30, 2.0f}, {110, 2.0f}, {45, 0.5f}, {73, 600.0f}}) {
        auto forward = linesWith({{"speed", 150.0f}, {"rule", float(rule)}});
        for (float t = time - 1.0f; t <= time; t += 1.0f / 30.0f) forward->updateAllTracks(std::max(0.0f, t));
        auto seek = linesWith({{"speed", 150.0f}, {"rule", float(rule)}});
        seek->updateAllTracks(700.0f);  // further on, then back
        seek->updateAllTracks(forward->lastTime);
        auto change = linesWith({{"speed", 150.0f}, {"rule", 90.0f}});
        change->updateAllTracks(forward->lastTime);
        change->findTrack("rule")->setKey(0.0f, float(rule), InterpType::Step);
        change->updateAllTracks(forward->lastTime);
        reference::ShiftingCells shifting;
        for (int g = 0; g < forward->generated(); ++g) shifting.step(rule);
        for (const auto* grown : {forward.get(), seek.get(), change.get()})
            for (int r = 0; r < CellularLinesEffect::kGenerations; ++r)
                for (int j = 0; j < 64; ++j)
                    ASSERT_EQ(grown->cell(r, j), shifting.cells[r][j] == 1) << rule << " " << r << " " << j;
    }
}

TEST(CellularLinesSparks, MadeFromTheGeneratorAtMost2000InUseRunningDownTheLivePaths) {
    runtime::srand(4242);
    CellularLinesEffect made;
    runtime::srand(4242);
    for (const CellularLinesEffect::Spark& s : made.sparks()) {  // row, column, size, speed
        ASSERT_EQ(s.row, static_cast<float>(runtime::rand() % 10000) / 10000.0f * 118.0f);
        ASSERT_EQ(std::make_pair(s.column, s.nextColumn), std::make_pair(runtime::rand() % 64, s.column));
        ASSERT_EQ(s.sizeFactor, static_cast<float>(runtime::rand() % 100) / 100.0f + 0.5f);
        ASSERT_EQ(s.speedFactor, static_cast<float>(runtime::rand() % 100) / 100.0f + 0.5f);
    }
    for (const auto& [count, inUse] : {std::pair{150.0f, 150}, {5000.0f, 2000}, {1999.9f, 1999}, {-3.0f, 0}, {kNaN, 0}})
        EXPECT_EQ(linesWith({{"sparkCount", count}})->sparksInUse(), inUse) << "sparkCount " << count;
    // Rule 170 copies each right neighbour: the one path runs a column to the right per older
    // row. At 0.1 generations a second it holds still, and no spark passes a row in one frame.
    auto lines = linesWith({{"rule", 170.0f}, {"speed", 0.1f}, {"sparkSpeed", 35.0f}, {"sparkCount", 300.0f}});
    const std::vector<CellularLinesEffect::Spark> initial = lines->sparks();
    std::vector<CellularLinesEffect::Spark> before;
    float last = 0.0f, dt = 0.0f;
    for (float t = 1300.0f; t < 1300.9f; dt = t - last, last = t, t += 1.0f / 60.0f) {
        before = lines->sparks();
        lines->updateAllTracks(t);
    }
    const auto moved = lines->sparks();
    lines->updateAllTracks(last + 1.5f);  // a jump of more than a second holds the sparks
    int deep = 0;
    for (std::size_t i = 0; i < 300; ++i) {
        const CellularLinesEffect::Spark& s = moved[i];
        const int row = static_cast<int>(s.row);  // the path's cell in row 0 is 30
        EXPECT_EQ(std::make_pair(s.column, s.nextColumn), std::make_pair((30 + row) % 64, (31 + row) % 64)) << i;
        EXPECT_TRUE(s.row == 0.0f || s.row == before[i].row + 35.0f * s.speedFactor * dt) << "spark " << i;
        EXPECT_EQ(lines->sparks()[i].row, s.row) << "spark " << i;
        deep += row > 10;
    }
    for (std::size_t i = 300; i < 2000; ++i) ASSERT_EQ(moved[i].row, initial[i].row) << "not in use: " << i;
    EXPECT_GT(deep, 200) << "sparks follow the path down instead of falling off it";
}

TEST(CellularLinesShapes, MapRowAndColumnOntoSphereTubeOrTorus) {
    const double R = 12.0, spacing = 2.0;
    for (float shape : {0.0f, 0.49f, -0.4f, 1.0f, 0.5f, 1.49f, 2.0f, 1.5f, 7.0f, -0.5f, kNaN}) {
        auto lines = linesWith({{"shape", shape}, {"radius", 12.0f}, {"zSpacing", 2.0f}});
        const int kind = shape > -0.5f && shape < 0.5f ? 0 : shape >= 0.5f && shape < 1.5f ? 1 : 2;
        for (const auto& [q, j] : {std::pair{0.0f, 0}, {30.25f, 16}, {77.5f, 41}, {119.9f, 63}}) {
            const double a = 2.0 * M_PI * j / 64.0, theta = q / 120.0 * M_PI, phi = q * spacing * 0.1,
                         ring = R + 0.4 * R * std::cos(a);
            const double expected[3][3] = {
                {R * std::sin(theta) * std::cos(a), R * std::cos(theta), R * std::sin(theta) * std::sin(a)},
                {R * std::cos(a), R * std::sin(a), -q * spacing},
                {ring * std::cos(phi), 0.4 * R * std::sin(a), ring * std::sin(phi)}};
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(lines->pointOnShape(q, j)[k], expected[kind][k], 1e-4) << shape << " " << q;
        }
    }
}

using CellularLinesRenderTest = GlFixture;  // 64 x 64
std::vector<std::uint8_t> draw(CellularLinesEffect& lines) { return drawInView(lines, 64, 64, 45.0f); }

TEST_F(CellularLinesRenderTest, ArraysDrawLikeImmediateModeTheFractionScrollsRule0DrawsNothingBadValuesHold) {
    for (float shape : {0.0f, 1.0f, 2.0f}) {
        auto lines = linesWith({{"shape", shape}, {"rot.x", 30.0f}, {"antialiasing", shape == 1.0f ? 0.0f : 1.0f}});
        for (float t = 0.0f; t < 4.01f; t += 1.0f / 30.0f) lines->updateAllTracks(t);
        lines->updateAllTracks(4.01f);
        const auto arrays = draw(*lines);
        lines->immediateMode = true;
        EXPECT_EQ(draw(*lines), arrays) << "shape " << shape;
        lines->findTrack("sparkCount")->setKey(0.0f, 0.0f, InterpType::Linear);
        lines->updateAllTracks(4.01f);
        const auto withoutSparks = draw(*lines);
        lines->updateAllTracks(4.035f);  // the same generation, scrolled on
        EXPECT_NE(draw(*lines), withoutSparks) << "shape " << shape;
    }
    auto empty = linesWith({{"rule", 0.0f}, {"sparkCount", 2000.0f}});
    for (float t = 0.0f; t < 2.0f; t += 1.0f / 30.0f) empty->updateAllTracks(t);
    EXPECT_EQ(draw(*empty), blackFrame(64, 64));
    for (const auto& [speed, time, generations] : {std::tuple{kNaN, 7.0f, 0}, {-kInf, 7.0f, 0}, {kInf, 7.0f, kMax},
                                                  {1e30f, 7.0f, kMax}, {-50.0f, 7.0f, 0}, {20.0f, kNaN, 0},
                                                  {20.0f, kInf, kMax}, {20.0f, -5.0f, 0}, {20.0f, 1e30f, kMax}}) {
        auto lines = linesWith({{"speed", speed}});
        lines->updateAllTracks(time);
        EXPECT_EQ(lines->generated(), generations) << "speed " << speed << " time " << time;
        EXPECT_TRUE(std::isfinite(lines->rowFraction)) << "speed " << speed << " time " << time;
        draw(*lines);
    }
    for (const auto& [rule, number] : {std::pair{kNaN, 0}, {29.5f, 30}, {-2.5f, -3}, {1e30f, 1000000000}})
        EXPECT_EQ(linesWith({{"rule", rule}})->currentRule(), number) << "rule " << rule;
}

}  // namespace
