// RubixCubeEffect: the scramble drawn from the shared generator seeded with 1337 and its
// solution; the moves shown and the smoothstep turn at a progress; the solved faces read back
// from the headless renderer; its own view whatever the camera left; vertex arrays against
// immediate mode; bad progress values; the tracks made in the constructor.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <limits>
#include <set>
#include <tuple>

#include "base/Random.h"
#include "effects/RubixCubeEffect.h"
#include "support/GlFixture.h"

namespace {

void setProgress(RubixCubeEffect& cube, float progress) {
    cube.findTrack("progress")->keys.clear();
    cube.findTrack("progress")->setKey(0.0f, progress, InterpType::Linear);
    cube.updateAllTracks(0.0f);
}

TEST(RubixCubeScramble, FollowsTheSeededGeneratorAndItsSolutionRestoresTheSolvedCube) {
    runtime::srand(1337);  // the moves as the generator gives them: axis, layer, direction
    std::vector<std::array<int, 3>> expected;
    for (int i = 0, previous = -1; i < 20; ++i) {
        int axis = runtime::rand() % 3;
        axis = axis == previous ? (axis + 1) % 3 : axis;
        previous = axis;
        const int layer = runtime::rand() % 2 == 0 ? -1 : 1;
        expected.push_back({axis, layer, runtime::rand() % 2 == 0 ? 1 : -1});
    }
    const int nextValue = runtime::rand();

    RubixCubeEffect cube;
    runtime::srand(99);  // set-up reseeds, whatever ran before
    cube.setUpAndScramble();
    EXPECT_EQ(runtime::rand(), nextValue) << "exactly 60 values drawn after srand(1337)";
    ASSERT_EQ(cube.scrambleMoves().size(), 20u);
    ASSERT_EQ(cube.solutionMoves().size(), 20u);
    for (std::size_t i = 0; i < 20; ++i) {
        const CubeMove& m = cube.scrambleMoves()[i];
        EXPECT_EQ((std::array<int, 3>{m.axis, m.layer, m.direction}), expected[i]) << "move " << i;
        if (i > 0) {
            EXPECT_NE(m.axis, cube.scrambleMoves()[i - 1].axis) << "move " << i;
        }
        const CubeMove& s = cube.solutionMoves()[19 - i];
        EXPECT_EQ((std::array<int, 3>{s.axis, s.layer, s.direction}), (std::array<int, 3>{m.axis, m.layer, -m.direction}));
    }

    std::vector<Cubie> replay = cube.cubies();
    int displaced = 0;
    for (const CubeMove& m : cube.solutionMoves()) RubixCubeEffect::applyMove(replay, m);
    for (int i = 0; i < 27; ++i) {
        const int x = i / 9 - 1, y = i / 3 % 3 - 1, z = i % 3 - 1;  // built x outer, z inner
        const Cubie& scrambled = cube.cubies()[static_cast<std::size_t>(i)];
        displaced += scrambled.x != x || scrambled.y != y || scrambled.z != z;
        EXPECT_EQ((std::array<float, 3>{scrambled.transform[12], scrambled.transform[13], scrambled.transform[14]}),
                  (std::array<float, 3>{float(scrambled.x), float(scrambled.y), float(scrambled.z)}))
            << "cubie " << i << ": the lattice place follows the turns";
        const Cubie& c = replay[static_cast<std::size_t>(i)];
        EXPECT_EQ((std::array<int, 3>{c.x, c.y, c.z}), (std::array<int, 3>{x, y, z})) << "cubie " << i;
        const float solved[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, float(x), float(y), float(z), 1};
        for (int k = 0; k < 16; ++k) EXPECT_NEAR(c.transform[k], solved[k], 1e-5) << "cubie " << i << " element " << k;
    }
    EXPECT_GT(displaced, 12) << "the scramble moves the cubes";

    // A quarter turn of the y = -1 layer back (direction -1): (x, y, z) -> (-z, y, x) there only.
    const std::vector<Cubie> solved = replay;
    RubixCubeEffect::applyMove(replay, {1, -1, -1});
    for (std::size_t i = 0; i < 27; ++i) {
        const Cubie& a = solved[i];
        const std::array<int, 3> expected = a.y == -1 ? std::array<int, 3>{-a.z, a.y, a.x} : std::array<int, 3>{a.x, a.y, a.z};
        EXPECT_EQ((std::array<int, 3>{replay[i].x, replay[i].y, replay[i].z}), expected) << "cubie " << i;
    }
}

TEST(RubixCubeScramble, ProgressShowsWholeMovesThenASmoothstepTurn) {
    RubixCubeEffect cube;
    cube.setUpAndScramble();
    std::vector<Cubie> tenDone = cube.cubies();
    for (int i = 0; i < 10; ++i) RubixCubeEffect::applyMove(tenDone, cube.solutionMoves()[static_cast<std::size_t>(i)]);

    const std::vector<Cubie> half = cube.arrange(0.5f);
    EXPECT_EQ(cube.movesDone(), 10);
    EXPECT_EQ(cube.turnDegrees(), 0.0f);
    for (int i = 0; i < 27; ++i)
        for (int k = 0; k < 16; ++k) ASSERT_EQ(half[i].transform[k], tenDone[i].transform[k]);

    // Half way through move 10: 45 degrees about its axis, for its layer only.
    const CubeMove& move = cube.solutionMoves()[10];
    const std::vector<Cubie>& turning = cube.arrange(10.5f / 20.0f);
    EXPECT_EQ(cube.movesDone(), 10);
    EXPECT_NEAR(cube.turnDegrees(), 45.0f * static_cast<float>(move.direction), 1e-3);
    for (int i = 0; i < 27; ++i) {
        const int a = (move.axis + 1) % 3, b = (move.axis + 2) % 3;  // the plane of the turn
        const float* before = &tenDone[i].transform[12];
        const float* after = &turning[i].transform[12];
        const double angle = std::atan2(after[b], after[a]) - std::atan2(before[b], before[a]);
        const int lattice[3] = {tenDone[i].x, tenDone[i].y, tenDone[i].z};
        const bool inLayer = lattice[move.axis] == move.layer;
        const bool onAxis = before[a] == 0.0f && before[b] == 0.0f;
        const double expected = inLayer && !onAxis ? M_PI / 4.0 * move.direction : 0.0;
        EXPECT_NEAR(std::remainder(angle - expected, 2.0 * M_PI), 0.0, 1e-4) << "cubie " << i;
    }

    cube.arrange(10.25f / 20.0f);  // a quarter through: smoothstep, not a steady turn
    EXPECT_NEAR(cube.turnDegrees(), 90.0f * 0.15625f * static_cast<float>(move.direction), 1e-3);

    const std::pair<float, int> clamped[] = {{0.0f, 0}, {1.0f, 20}, {-3.0f, 0}, {7.0f, 20},
                                             {std::numeric_limits<float>::quiet_NaN(), 0},
                                             {std::numeric_limits<float>::infinity(), 20},
                                             {-std::numeric_limits<float>::infinity(), 0}};
    for (const auto& [progress, moves] : clamped) {
        cube.arrange(progress);
        EXPECT_EQ(cube.movesDone(), moves) << progress;
        EXPECT_EQ(cube.turnDegrees(), 0.0f) << progress;
    }
}

class RubixCubeRenderTest : public GlFixture {
protected:
    RubixCubeRenderTest() : GlFixture(160, 160) {}
    std::vector<std::uint8_t> draw(RubixCubeEffect& cube) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        cube.render();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return frame();
    }
    // The solved colour (face index) nearest in hue to the pixel at each sticker centre of each
    // face turned towards the eye, for the default placement: 8 units away, 30 about x, 45 about y.
    std::vector<std::vector<int>> visibleStickers() {
        static const float colours[6][3] = {{0.769f, 0.118f, 0.227f}, {1, 0.345f, 0}, {0, 0.318f, 0.729f},
                                            {0, 0.62f, 0.376f},        {1, 1, 1},      {1, 0.835f, 0}};
        GLdouble model[16], projection[16];
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glTranslatef(0, 0, -8);
        glRotatef(30, 1, 0, 0);
        glRotatef(45, 0, 1, 0);
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        gluPerspective(65.0, 1.0, 0.1, 250.0);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        const GLint viewport[4] = {0, 0, width_, height_};

        std::vector<std::vector<int>> faces;
        for (int f = 0; f < 6; ++f) {
            const int axis = f / 2, sign = f % 2 ? -1 : 1, a = (axis + 1) % 3, b = (axis + 2) % 3;
            double centre[3] = {0, 0, 0}, eye[3];
            centre[axis] = 1.487 * sign;
            for (int r = 0; r < 3; ++r)
                eye[r] = model[r] * centre[0] + model[4 + r] * centre[1] + model[8 + r] * centre[2] + model[12 + r];
            const double facing = -(eye[0] - model[12]) * eye[0] - (eye[1] - model[13]) * eye[1] - (eye[2] - model[14]) * eye[2];
            if (facing <= 0) continue;
            faces.emplace_back();
            for (int i = -1; i <= 1; ++i) {
                for (int j = -1; j <= 1; ++j) {
                    double p[3] = {centre[0], centre[1], centre[2]}, wx, wy, wz;
                    p[a] = i, p[b] = j;
                    gluProject(p[0], p[1], p[2], model, projection, viewport, &wx, &wy, &wz);
                    const auto px = pixel(static_cast<int>(wx), static_cast<int>(wy));
                    int best = 0;
                    double bestCos = -1;
                    for (int c = 0; c < 6; ++c) {
                        const double dot = px[0] * colours[c][0] + px[1] * colours[c][1] + px[2] * colours[c][2];
                        const double norm = std::hypot(px[0], px[1], px[2]) *
                                            std::hypot(colours[c][0], colours[c][1], colours[c][2]);
                        if (dot / norm > bestCos) bestCos = dot / norm, best = c;
                    }
                    faces.back().push_back(best == f ? 10 + best : best);  // 10+: its own colour
                }
            }
        }
        return faces;
    }
};

TEST_F(RubixCubeRenderTest, SolvedAtProgressOneInItsOwnViewWithArraysDrawingLikeImmediateMode) {
    RubixCubeEffect cube;
    cube.init();
    setProgress(cube, 1.0f);
    draw(cube);
    const auto solved = visibleStickers();
    ASSERT_EQ(solved.size(), 3u) << "three faces turned towards the eye";
    for (const auto& face : solved) EXPECT_EQ(std::set<int>(face.begin(), face.end()).size(), 1u);
    for (const auto& face : solved) EXPECT_GE(face[0], 10) << "each face shows its solved colour";

    setProgress(cube, 0.0f);
    draw(cube);
    int mixed = 0;
    for (const auto& face : visibleStickers()) mixed += std::set<int>(face.begin(), face.end()).size() > 1;
    EXPECT_EQ(mixed, 3) << "scrambled faces";

    setProgress(cube, 10.5f / 20.0f);  // a layer half turned
    const auto arrays = draw(cube);
    cube.immediateMode = true;
    EXPECT_EQ(draw(cube), arrays);
    cube.immediateMode = false;

    // Whatever projection and view a camera left, the cube uses its own.
    glMatrixMode(GL_PROJECTION);
    gluPerspective(20.0, 3.0, 1.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(5, 3, 9, 0, 1, 0, 0, 1, 0);
    EXPECT_EQ(draw(cube), arrays);
}

TEST(RubixCubeTracks, EightMadeInTheConstructorFiveWithKeysThenEnabled) {
    RubixCubeEffect cube;
    cube.init();
    const std::tuple<const char*, float, float, std::size_t> rows[] = {
        {"pos.x", -50, 50, 0},   {"pos.y", -50, 50, 0},   {"pos.z", -50, 50, 1}, {"rot.x", -360, 360, 1},
        {"rot.y", -360, 360, 1}, {"rot.z", -360, 360, 0}, {"scale", 0.1f, 5, 1}, {"progress", 0, 1, 2},
        {"enabled", 0, 1, 1}};
    ASSERT_EQ(cube.tracks.size(), 9u);
    for (std::size_t i = 0; i < 9; ++i) {
        const auto* t = dynamic_cast<const KeyframeTrack*>(cube.tracks[i]);
        const auto& [name, min, max, keys] = rows[i];
        EXPECT_EQ(t->name, name);
        EXPECT_EQ(t->minValue, min) << name;
        EXPECT_EQ(t->maxValue, max) << name;
        EXPECT_EQ(t->keys.size(), keys) << name;
    }
    const std::pair<float, std::array<float, 5>> at[] = {{7.9f, {-8, 30, 45, 1, 0}}, {8.0f, {-8, 30, 45, 1, 1}}};
    for (const auto& [time, values] : at) {
        cube.updateAllTracks(time);
        const char* names[] = {"pos.z", "rot.x", "rot.y", "scale", "progress"};
        for (int k = 0; k < 5; ++k) EXPECT_EQ(cube.trackValue(names[k]), values[k]) << names[k] << " at " << time;
    }
}

}  // namespace
