// RubixCubeEffect: the scramble from the shared generator seeded with 1337 and its solution;
// the moves shown and the smoothstep turn at a progress; solved faces read back from the
// headless renderer; its own view whatever a camera left; arrays against immediate mode.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <limits>
#include <set>

#include "base/Random.h"
#include "effects/RubixCubeEffect.h"
#include "support/GlFixture.h"

namespace {

using Triple = std::array<int, 3>;
Triple lattice(const Cubie& c) { return {c.x, c.y, c.z}; }

TEST(RubixCubeScramble, FollowsTheSeededGeneratorAndItsSolutionRestoresTheSolvedCube) {
    runtime::srand(1337);  // axis, layer, direction as the generator gives them
    std::vector<Triple> expected;
    for (int i = 0, previous = -1; i < 20; ++i) {
        int axis = runtime::rand() % 3;
        previous = axis = axis == previous ? (axis + 1) % 3 : axis;
        const int layer = runtime::rand() % 2 == 0 ? -1 : 1;
        expected.push_back({axis, layer, runtime::rand() % 2 == 0 ? 1 : -1});
    }
    const int nextValue = runtime::rand();
    RubixCubeEffect cube;
    runtime::srand(99);  // set-up reseeds, whatever ran before
    cube.setUpAndScramble();
    EXPECT_EQ(runtime::rand(), nextValue) << "exactly 60 values drawn after srand(1337)";
    ASSERT_EQ(cube.solutionMoves().size(), 20u);
    for (std::size_t i = 0; i < 20; ++i) {
        const CubeMove& m = cube.scrambleMoves()[i];
        const CubeMove& s = cube.solutionMoves()[19 - i];
        EXPECT_EQ((Triple{m.axis, m.layer, m.direction}), expected[i]) << "move " << i;
        EXPECT_TRUE(i == 0 || m.axis != cube.scrambleMoves()[i - 1].axis) << "move " << i;
        EXPECT_EQ((Triple{s.axis, s.layer, s.direction}), (Triple{m.axis, m.layer, -m.direction}));
    }

    std::vector<Cubie> replay = cube.cubies();
    for (const CubeMove& m : cube.solutionMoves()) RubixCubeEffect::applyMove(replay, m);
    int displaced = 0;
    for (int i = 0; i < 27; ++i) {
        const int x = i / 9 - 1, y = i / 3 % 3 - 1, z = i % 3 - 1;  // built x outer, z inner
        const Cubie& scrambled = cube.cubies()[static_cast<std::size_t>(i)];
        displaced += lattice(scrambled) != Triple{x, y, z};
        const float* t = scrambled.transform;  // the lattice place follows the turned transform
        EXPECT_EQ(lattice(scrambled), (Triple{int(t[12]), int(t[13]), int(t[14])})) << "cubie " << i;
        EXPECT_EQ(lattice(replay[static_cast<std::size_t>(i)]), (Triple{x, y, z})) << "cubie " << i;
        const float solved[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, float(x), float(y), float(z), 1};
        for (int k = 0; k < 16; ++k) EXPECT_NEAR(replay[i].transform[k], solved[k], 1e-5) << "cubie " << i;
    }
    EXPECT_GT(displaced, 12) << "the scramble moves the cubes";

    const std::vector<Cubie> before = replay;  // y = -1 layer, direction -1: (x, y, z) -> (-z, y, x)
    RubixCubeEffect::applyMove(replay, {1, -1, -1});
    for (std::size_t i = 0; i < 27; ++i) {
        const Cubie& a = before[i];
        EXPECT_EQ(lattice(replay[i]), (a.y == -1 ? Triple{-a.z, a.y, a.x} : lattice(a))) << "cubie " << i;
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
    const int a = (move.axis + 1) % 3, b = (move.axis + 2) % 3;  // the plane of the turn
    for (int i = 0; i < 27; ++i) {
        const float *from = &tenDone[i].transform[12], *to = &turning[i].transform[12];
        const double angle = std::atan2(to[b], to[a]) - std::atan2(from[b], from[a]);
        const bool turned = lattice(tenDone[i])[move.axis] == move.layer && (from[a] != 0.0f || from[b] != 0.0f);
        EXPECT_NEAR(std::remainder(angle - (turned ? M_PI / 4.0 * move.direction : 0.0), 2.0 * M_PI), 0.0, 1e-4) << i;
    }
    cube.arrange(10.25f / 20.0f);  // a quarter through: smoothstep, not a steady turn
    EXPECT_NEAR(cube.turnDegrees(), 90.0f * 0.15625f * static_cast<float>(move.direction), 1e-3);

    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    for (const auto& [progress, moves] : {std::pair{1.0f, 20}, {-3.0f, 0}, {7.0f, 20}, {nan, 0}, {inf, 20}, {-inf, 0}}) {
        cube.arrange(progress);
        EXPECT_EQ(cube.movesDone(), moves) << progress;
        EXPECT_EQ(cube.turnDegrees(), 0.0f) << progress;
    }
}

class RubixCubeRenderTest : public GlFixture {
protected:
    RubixCubeRenderTest() : GlFixture(160, 160) {}
    std::vector<std::uint8_t> draw(float progress) {
        cube.findTrack("progress")->keys = {{0.0f, {0.0f, progress, InterpType::Linear}}};
        cube.updateAllTracks(0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        cube.render();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return frame();
    }
    // Per face turned towards the eye (default placement: 8 units away, 30 about x, 45 about y),
    // the solved face whose colour is nearest in hue to the pixel at each sticker centre.
    std::vector<std::set<int>> visibleFaces() {
        static const float colours[6][3] = {{0.769f, 0.118f, 0.227f}, {1, 0.345f, 0}, {0, 0.318f, 0.729f},
                                            {0, 0.62f, 0.376f},        {1, 1, 1},      {1, 0.835f, 0}};
        GLdouble model[16], projection[16];
        glPushMatrix();
        glLoadIdentity();
        glTranslatef(0, 0, -8);
        glRotatef(30, 1, 0, 0);
        glRotatef(45, 0, 1, 0);
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glPopMatrix();
        gluPerspective(65.0, 1.0, 0.1, 250.0);  // the fixture's matrices are identities
        glGetDoublev(GL_MODELVIEW_MATRIX, projection);
        glLoadIdentity();
        const GLint viewport[4] = {0, 0, width_, height_};
        std::vector<std::set<int>> faces;
        for (int f = 0; f < 6; ++f) {
            const int axis = f / 2, a = (axis + 1) % 3, b = (axis + 2) % 3;
            double centre[3] = {0, 0, 0}, x, y, z;
            centre[axis] = f % 2 ? -1.487 : 1.487;
            double eye[3], facing = 0.0;  // towards the eye: the outward normal against the eye ray
            for (int r = 0; r < 3; ++r) {
                eye[r] = model[r] * centre[0] + model[4 + r] * centre[1] + model[8 + r] * centre[2] + model[12 + r];
                facing -= (eye[r] - model[12 + r]) * eye[r];
            }
            if (facing <= 0) continue;
            faces.emplace_back();
            for (int k = 0; k < 9; ++k) {
                double p[3] = {centre[0], centre[1], centre[2]};
                p[a] = k / 3 - 1, p[b] = k % 3 - 1;
                gluProject(p[0], p[1], p[2], model, projection, viewport, &x, &y, &z);
                const auto px = pixel(static_cast<int>(x), static_cast<int>(y));
                int best = 0;
                double bestCosine = -1;
                for (int c = 0; c < 6; ++c) {
                    const double cosine = (px[0] * colours[c][0] + px[1] * colours[c][1] + px[2] * colours[c][2]) /
                                          std::hypot(px[0], px[1], px[2]) / std::hypot(colours[c][0], colours[c][1], colours[c][2]);
                    if (cosine > bestCosine) bestCosine = cosine, best = c;
                }
                faces.back().insert(best == f ? 10 + best : best);  // 10 and up: the face's own colour
            }
        }
        return faces;
    }
    RubixCubeEffect cube;
};

TEST_F(RubixCubeRenderTest, SolvedAtProgressOneInItsOwnViewWithArraysDrawingLikeImmediateMode) {
    cube.init();
    draw(1.0f);
    const auto solved = visibleFaces();
    ASSERT_EQ(solved.size(), 3u) << "three faces turned towards the eye";
    for (const auto& face : solved) EXPECT_EQ(face.size(), 1u) << "one colour";
    for (const auto& face : solved) EXPECT_GE(*face.begin(), 10) << "the face's solved colour";
    draw(0.0f);
    for (const auto& face : visibleFaces()) EXPECT_GT(face.size(), 1u) << "scrambled";

    const auto arrays = draw(10.5f / 20.0f);  // a layer half turned
    cube.immediateMode = true;
    EXPECT_EQ(draw(10.5f / 20.0f), arrays);
    cube.immediateMode = false;
    glMatrixMode(GL_PROJECTION);  // whatever a camera left, the cube uses its own view
    gluPerspective(20.0, 3.0, 1.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(5, 3, 9, 0, 1, 0, 0, 1, 0);
    EXPECT_EQ(draw(10.5f / 20.0f), arrays);
}

}  // namespace
