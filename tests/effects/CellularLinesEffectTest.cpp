// CellularLinesEffect: rule 30's first generations and rule 0's lone seed; regrowing after a
// rule change or a seek backwards against growing forward and against the shifting automaton;
// the sparks drawn from the shared generator and how many are in use; the shapes; vertex
// arrays against immediate mode; bad parameter values and times; its tracks.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <limits>
#include <string>

#include "base/Random.h"
#include "effects/CellularLinesEffect.h"
#include "support/GlFixture.h"
#include "support/SceneObjectsReference.h"
#include "support/TrackTable.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

void key(Effect& e, const char* name, float value) {
    KeyframeTrack* t = e.findTrack(name);
    t->setKey(0.0f, value, t->keys.at(0.0f).interp);
    e.updateAllTracks(0.0f);
}

std::unique_ptr<CellularLinesEffect> linesWith(std::initializer_list<std::pair<const char*, float>> keys) {
    auto lines = std::make_unique<CellularLinesEffect>();
    lines->init();
    for (const auto& [name, value] : keys) key(*lines, name, value);
    return lines;
}

// Cells 24..40 of a row as '1' and '.'.
std::string middle(const CellularLinesEffect& lines, int row) {
    std::string text;
    for (int j = 24; j <= 40; ++j) text += lines.cell(row, j) ? '1' : '.';
    return text;
}

TEST(CellularLinesAutomaton, Rule30GrowsItsTriangleAndRule0OnlyMovesTheSeedDown) {
    auto lines = linesWith({{"speed", 1.0f}});
    lines->updateAllTracks(3.5f);
    EXPECT_EQ(lines->generated(), 3);
    EXPECT_FLOAT_EQ(lines->rowFraction, 0.5f);
    EXPECT_EQ(middle(*lines, 3), "........1........");
    EXPECT_EQ(middle(*lines, 2), ".......111.......");
    EXPECT_EQ(middle(*lines, 1), "......11..1......");
    EXPECT_EQ(middle(*lines, 0), ".....11.1111.....");

    key(*lines, "rule", 0.0f);
    lines->updateAllTracks(5.0f);
    for (int r = 0; r < CellularLinesEffect::kGenerations; ++r)
        EXPECT_EQ(lines->cellRow(r), r == 5 ? std::uint64_t{1} << 32 : 0u) << "row " << r;
}

TEST(CellularLinesAutomaton, RegrowingAfterARuleChangeOrASeekEqualsGrowingForwardAndShifting) {
    for (int rule : {30, 110, 45, 73}) {
        auto forward = linesWith({{"speed", 150.0f}, {"rule", float(rule)}});
        for (float t = 0.0f; t <= 2.0f; t += 1.0f / 60.0f) forward->updateAllTracks(t);
        const float end = forward->lastTime;

        auto seekBack = linesWith({{"speed", 150.0f}, {"rule", float(rule)}});
        seekBack->updateAllTracks(40.0f);  // 6000 generations, then back
        seekBack->updateAllTracks(end);
        auto ruleChange = linesWith({{"speed", 150.0f}, {"rule", 90.0f}});
        ruleChange->updateAllTracks(end);
        key(*ruleChange, "rule", float(rule));
        ruleChange->updateAllTracks(end);

        reference::ShiftingCells shifting;
        for (int g = 0; g < forward->generated(); ++g) shifting.step(rule);
        ASSERT_GT(forward->generated(), 290);
        EXPECT_EQ(seekBack->generated(), forward->generated());
        for (int r = 0; r < CellularLinesEffect::kGenerations; ++r) {
            EXPECT_EQ(seekBack->cellRow(r), forward->cellRow(r)) << "rule " << rule << " row " << r;
            EXPECT_EQ(ruleChange->cellRow(r), forward->cellRow(r)) << "rule " << rule << " row " << r;
            for (int j = 0; j < 64; ++j) ASSERT_EQ(forward->cell(r, j), shifting.cells[r][j] == 1) << rule << " " << r << " " << j;
        }
    }
    // Back to 75 generations: the rows older than the seed are empty again.
    auto back = linesWith({{"speed", 150.0f}});
    back->updateAllTracks(40.0f);
    back->updateAllTracks(0.5f);
    reference::ShiftingCells young;
    for (int g = 0; g < 75; ++g) young.step(30);
    for (int r = 0; r < CellularLinesEffect::kGenerations; ++r)
        for (int j = 0; j < 64; ++j) ASSERT_EQ(back->cell(r, j), young.cells[r][j] == 1) << r << " " << j;

    auto far = linesWith({{"speed", 150.0f}});
    far->updateAllTracks(600.0f);
    reference::ShiftingCells shifting;
    for (int g = 0; g < 90000; ++g) shifting.step(30);
    for (int r = 0; r < CellularLinesEffect::kGenerations; ++r)
        for (int j = 0; j < 64; ++j) ASSERT_EQ(far->cell(r, j), shifting.cells[r][j] == 1) << r << " " << j;
}

TEST(CellularLinesSparks, MadeFromTheSharedGeneratorAndAtMost2000InUse) {
    runtime::srand(4242);
    CellularLinesEffect made;
    runtime::srand(4242);
    for (const CellularLinesEffect::Spark& s : made.sparks()) {
        const float row = static_cast<float>(runtime::rand() % 10000) / 10000.0f * 118.0f;
        const int column = runtime::rand() % 64;
        const float size = static_cast<float>(runtime::rand() % 100) / 100.0f + 0.5f;
        const float speed = static_cast<float>(runtime::rand() % 100) / 100.0f + 0.5f;
        ASSERT_EQ(std::make_tuple(s.row, s.column, s.nextColumn, s.sizeFactor, s.speedFactor),
                  std::make_tuple(row, column, column, size, speed));
    }

    const std::pair<float, int> counts[] = {{150, 150}, {5000, 2000}, {1999.9f, 1999}, {0.5f, 0}, {-3, 0},
                                            {kNaN, 0},  {kInf, 2000}, {1e30f, 2000}};
    for (const auto& [count, inUse] : counts) {
        CellularLinesEffect lines;
        lines.init();
        lines.findTrack("sparkCount")->setKey(0.0f, count, InterpType::Linear);
        const std::vector<CellularLinesEffect::Spark> before = lines.sparks();
        lines.updateAllTracks(0.5f);  // ten generations: sparks on live cells move, the others respawn
        int moved = 0;
        for (std::size_t i = 0; i < before.size(); ++i) {
            const auto& s = lines.sparks()[i];
            const bool changed = s.row != before[i].row || s.column != before[i].column;
            moved += changed;
            EXPECT_TRUE(!changed || i < static_cast<std::size_t>(inUse)) << "sparkCount " << count << " spark " << i;
            EXPECT_TRUE(!changed || s.row > 0.0f || lines.cell(0, s.column)) << "respawned onto a live cell";
        }
        EXPECT_GE(moved, inUse * 99 / 100) << "sparkCount " << count;
    }
}

TEST(CellularLinesSparks, RunDownTheLivePathsAtTheirOwnSpeed) {
    // Rule 170 copies each cell's right neighbour: the single path runs one column to the right
    // per older row. At a tenth of a generation a second the pattern holds still for ten
    // seconds, and at most 35 * 1.49 / 60 rows a frame no spark skips a row.
    auto lines = linesWith({{"rule", 170.0f}, {"speed", 0.1f}, {"sparkSpeed", 35.0f}, {"sparkCount", 300.0f}});
    std::vector<CellularLinesEffect::Spark> before;
    float last = 0.0f, dt = 0.0f;
    for (float t = 1300.0f; t < 1300.9f; t += 1.0f / 60.0f) {
        before = lines->sparks();
        dt = t - last;  // as the effect takes it
        last = t;
        lines->updateAllTracks(t);
    }
    const auto moved = lines->sparks();
    lines->updateAllTracks(last + 1.5f);  // a jump of more than a second holds the sparks
    int deep = 0;
    for (std::size_t i = 0; i < 300; ++i) {
        const CellularLinesEffect::Spark& s = moved[i];
        ASSERT_LT(s.row, 118.0f);
        const int row = static_cast<int>(s.row);
        EXPECT_EQ(s.column, (30 + row) % 64) << "spark " << i << " at row " << s.row;  // row 0 at 130 generations
        EXPECT_EQ(s.nextColumn, (s.column + 1) % 64) << "spark " << i;
        EXPECT_TRUE(s.row == 0.0f || s.row == before[i].row + 35.0f * s.speedFactor * dt) << "spark " << i;
        EXPECT_EQ(lines->sparks()[i].row, s.row) << "spark " << i;
        deep += row > 10;
    }
    EXPECT_GT(deep, 200) << "sparks follow the path down instead of falling off it";
}

TEST(CellularLinesShapes, MapRowAndColumnOntoSphereTubeOrTorus) {
    const float R = 12.0f, spacing = 2.0f;
    for (float shape : {0.0f, 0.49f, -0.4f, 1.0f, 0.5f, 1.49f, 2.0f, 1.5f, 7.0f, -0.5f, kNaN}) {
        auto lines = linesWith({{"shape", shape}, {"radius", R}, {"zSpacing", spacing}});
        const int kind = shape > -0.5f && shape < 0.5f ? 0 : shape >= 0.5f && shape < 1.5f ? 1 : 2;
        for (const auto& [q, j] : {std::pair{0.0f, 0}, {30.25f, 16}, {77.5f, 41}, {119.9f, 63}}) {
            const double a = 2.0 * M_PI * j / 64.0, theta = q / 120.0 * M_PI, phi = q * spacing * 0.1;
            const double ring = R + 0.4 * R * std::cos(a);
            const double expected[3][3] = {
                {R * std::sin(theta) * std::cos(a), R * std::cos(theta), R * std::sin(theta) * std::sin(a)},
                {R * std::cos(a), R * std::sin(a), -q * spacing},
                {ring * std::cos(phi), 0.4 * R * std::sin(a), ring * std::sin(phi)}};
            const auto point = lines->pointOnShape(q, j);
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(point[k], expected[kind][k], 1e-4) << shape << " q " << q << " j " << j;
        }
    }
}

class CellularLinesRenderTest : public GlFixture {
protected:
    CellularLinesRenderTest() : GlFixture(128, 96) {}
    void SetUp() override {
        GlFixture::SetUp();
        glEnable(GL_DEPTH_TEST);
        glMatrixMode(GL_PROJECTION);
        gluPerspective(65.0, 128.0 / 96.0, 0.1, 250.0);
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(0.0f, 0.0f, -45.0f);
    }
    std::vector<std::uint8_t> draw(CellularLinesEffect& lines) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        lines.render();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return frame();
    }
};

TEST_F(CellularLinesRenderTest, ArraysDrawLikeImmediateModeAndRule0DrawsNothing) {
    std::vector<std::uint8_t> black(128 * 96 * 4, 0);
    for (std::size_t k = 3; k < black.size(); k += 4) black[k] = 255;
    for (float shape : {0.0f, 1.0f, 2.0f}) {
        auto lines = linesWith({{"shape", shape}, {"rot.x", 30.0f}, {"antialiasing", shape == 1.0f ? 0.0f : 1.0f}});
        for (float t = 0.0f; t < 4.0f; t += 1.0f / 30.0f) lines->updateAllTracks(t);
        const auto arrays = draw(*lines);
        EXPECT_NE(arrays, black);
        lines->immediateMode = true;
        EXPECT_EQ(draw(*lines), arrays) << "shape " << shape;
    }
    // Between two generations the pattern scrolls by the fraction.
    auto scrolling = linesWith({{"speed", 1.0f}, {"sparkCount", 0.0f}});
    scrolling->updateAllTracks(20.1f);
    const auto early = draw(*scrolling);
    scrolling->updateAllTracks(20.6f);
    EXPECT_NE(draw(*scrolling), early);

    auto empty = linesWith({{"rule", 0.0f}, {"sparkCount", 2000.0f}});
    for (float t = 0.0f; t < 2.0f; t += 1.0f / 30.0f) empty->updateAllTracks(t);
    EXPECT_EQ(draw(*empty), black);
}

TEST_F(CellularLinesRenderTest, BadValuesAndTimesNeitherCrashNorSpin) {
    const std::pair<float, int> speeds[] = {{kNaN, 0}, {-kInf, 0}, {kInf, CellularLinesEffect::kMaxGeneration},
                                            {1e30f, CellularLinesEffect::kMaxGeneration}, {-50.0f, 0}};
    for (const auto& [speed, generations] : speeds) {
        auto lines = linesWith({{"speed", speed}});
        lines->updateAllTracks(7.0f);
        EXPECT_EQ(lines->generated(), generations) << "speed " << speed;
        lines->updateAllTracks(7.1f);  // held there: no second regrow
        EXPECT_EQ(lines->generated(), generations) << "speed " << speed;
        EXPECT_TRUE(std::isfinite(lines->rowFraction)) << "speed " << speed;
        draw(*lines);
    }
    const std::pair<float, int> rules[] = {{kNaN, 0}, {29.5f, 30}, {-2.5f, -3}, {1e30f, 1000000000}, {-kInf, -1000000000}};
    for (const auto& [rule, number] : rules) {
        auto lines = linesWith({{"rule", rule}});
        lines->updateAllTracks(1.0f);
        EXPECT_EQ(lines->currentRule(), number) << "rule " << rule;
    }
    for (const char* name : {"sparkSpeed", "sparkSize", "sparkTrail", "sparkBrightness", "thickness", "radius", "shape"}) {
        for (float bad : {kNaN, kInf, -kInf, 1e30f, 0.0f}) {
            auto lines = linesWith({{name, bad}, {"sparkCount", 400.0f}});
            for (float t : {0.5f, 0.6f, 0.7f}) lines->updateAllTracks(t);
            draw(*lines);
        }
    }
    for (float time : {kNaN, kInf, -kInf, -5.0f, 1e30f}) {
        auto lines = linesWith({});
        lines->updateAllTracks(time);
        EXPECT_EQ(lines->generated(), time > 0.0f ? CellularLinesEffect::kMaxGeneration : 0) << time;
        EXPECT_TRUE(std::isfinite(lines->rowFraction)) << time;
        lines->updateAllTracks(1.0f);
        draw(*lines);
    }
}

TEST(CellularLinesTracks, TwentyTwoBoundTracksAfterEnabled) {
    CellularLinesEffect e;
    e.init();
    std::vector<TrackRow> rows = {{"enabled", 0, 1, 1, true, InterpType::Step}};
    const std::tuple<const char*, float, float, float, const float*> table[] = {
        {"pos.x", -100, 100, 0, &e.posX}, {"pos.y", -100, 100, 0, &e.posY}, {"pos.z", -100, 100, 0, &e.posZ},
        {"rot.x", 0, 360, 0, &e.rotX}, {"rot.y", 0, 360, 0, &e.rotY}, {"rot.z", 0, 360, 0, &e.rotZ},
        {"shape", 0, 2, 0, &e.shape}, {"rule", 0, 255, 30, &e.rule}, {"thickness", 0.1f, 10, 2, &e.thickness},
        {"speed", 0, 150, 20, &e.speed}, {"radius", 0.1f, 100, 15, &e.radius}, {"zSpacing", 0.1f, 10, 1.5f, &e.zSpacing},
        {"color.r", 0, 1, 0, &e.colorR}, {"color.g", 0, 1, 0.8f, &e.colorG}, {"color.b", 0, 1, 1, &e.colorB},
        {"alpha", 0, 1, 0.8f, &e.alpha}, {"antialiasing", 0, 1, 1, &e.antialiasing},
        {"sparkCount", 0, 2000, 150, &e.sparkCount}, {"sparkBrightness", 0, 5, 1, &e.sparkBrightness},
        {"sparkSize", 0.1f, 30, 4, &e.sparkSize}, {"sparkSpeed", 0, 50, 15, &e.sparkSpeed},
        {"sparkTrail", 0, 1, 0.2f, &e.sparkTrail}};
    for (const auto& [name, min, max, value, member] : table) {
        const bool whole = std::string(name) == "shape" || std::string(name) == "rule" || std::string(name) == "antialiasing";
        rows.push_back({name, min, max, value, whole, whole ? InterpType::Step : InterpType::Linear, member});
    }
    expectTrackTable(e, rows);
}

}  // namespace
