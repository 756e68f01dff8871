// RubixCubeEffect: the scramble from the generator seeded with 1337, the solution, the smoothstep
// turn; solved faces read back; its own view whatever a camera left; arrays as immediate mode.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <set>

#include "base/Random.h"
#include "effects/RubixCubeEffect.h"
#include "support/EffectHelpers.h"
#include "support/GlFixture.h"

namespace {

using Triple = std::array<int, 3>;
Triple lattice(const Cubie& c) { return {c.x, c.y, c.z}; }

TEST(RubixCubeScramble, FromTheSeededGeneratorSolvedMoveByMoveAlongTheProgress) {
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
    for (int i = 0; i < 27; ++i) {
        const int x = i / 9 - 1, y = i / 3 % 3 - 1, z = i % 3 - 1;  // built x outer, z inner
        const Cubie& scrambled = cube.cubies()[static_cast<std::size_t>(i)];
        const float* t = scrambled.transform;  // the lattice place follows the turned transform
        EXPECT_EQ(lattice(scrambled), (Triple{int(t[12]), int(t[13]), int(t[14])})) << "cubie " << i;
        EXPECT_EQ(lattice(replay[static_cast<std::size_t>(i)]), (Triple{x, y, z})) << "cubie " << i;
        const float solved[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, float(x), float(y), float(z), 1};
        for (int k = 0; k < 16; ++k) EXPECT_NEAR(replay[i].transform[k], solved[k], 1e-5) << "cubie " << i;
    }
    // Progress: whole moves of the solution, then the next one turning with a smoothstep.
    std::vector<Cubie> tenDone = cube.cubies();
    for (int i = 0; i < 10; ++i) RubixCubeEffect::applyMove(tenDone, cube.solutionMoves()[static_cast<std::size_t>(i)]);
    const std::vector<Cubie> half = cube.arrange(0.5f);
    EXPECT_EQ(std::make_pair(cube.movesDone(), cube.turnDegrees()), std::make_pair(10, 0.0f));
    for (int i = 0; i < 27; ++i) ASSERT_TRUE(std::equal(half[i].transform, half[i].transform + 16, tenDone[i].transform));
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
        EXPECT_EQ(std::make_pair(cube.movesDone(), cube.turnDegrees()), std::make_pair(moves, 0.0f)) << progress;
    }
}

class RubixCubeRenderTest : public GlFixture {
protected:
    RubixCubeRenderTest() : GlFixture(160, 160) {}
    std::vector<std::uint8_t> draw(float progress, float rotX = 30.0f, float rotY = 45.0f) {
        for (const auto& [name, value] : {std::pair{"progress", progress}, {"rot.x", rotX}, {"rot.y", rotY}})
            cube.findTrack(name)->keys = {{0.0f, {0.0f, value, InterpType::Linear}}};
        cube.updateAllTracks(0.0f);
        return drawInView(cube, 160, 160, 0.0f);  // the cube sets its own view
    }
    // The solved colours (face order) nearest in hue, grey taken out, to the nine sticker centres
    // of the face that looks at the eye from 6.513 units: 80 * 1.5697 / 6.513 = 19.3 pixels apart.
    std::set<int> frontColours() const {
        static const float colours[6][3] = {{0.769f, 0.118f, 0.227f}, {1, 0.345f, 0}, {0, 0.318f, 0.729f},
                                            {0, 0.62f, 0.376f},        {1, 1, 1},      {1, 0.835f, 0}};
        std::set<int> seen;
        for (int k = 0; k < 9; ++k) {
            const auto px = pixel(80 + 19 * (k / 3 - 1), 80 + 19 * (k % 3 - 1));
            const double grey = std::min({px[0], px[1], px[2]}), r = px[0] - grey, g = px[1] - grey, b = px[2] - grey;
            int nearest = 4;
            double best = -1.0;
            for (int c = 0; c < 6 && std::max({r, g, b}) > 40.0; ++c) {
                const float* q = colours[c];
                const double w = std::min({q[0], q[1], q[2]}), qr = q[0] - w, qg = q[1] - w, qb = q[2] - w;
                const double cosine = (r * qr + g * qg + b * qb) / std::hypot(qr, qg, qb);
                if (c != 4 && cosine > best) best = cosine, nearest = c;
            }
            seen.insert(nearest);
        }
        return seen;
    }
    RubixCubeEffect cube;
};

TEST_F(RubixCubeRenderTest, SolvedAtProgressOneInItsOwnViewWithArraysDrawingLikeImmediateMode) {
    cube.init();
    // Turns that bring each face to the eye: +z, -x, -z, +x, +y, -y, and +y again (x after y).
    const std::array<float, 3> turns[] = {{0, 0, 4}, {0, 90, 1}, {0, 180, 5}, {0, -90, 0}, {90, 0, 2}, {-90, 0, 3}, {90, 90, 2}};
    int mixed = 0;
    for (const auto& [rotX, rotY, face] : turns) {
        draw(1.0f, rotX, rotY);
        EXPECT_EQ(frontColours(), std::set<int>{static_cast<int>(face)}) << "rot.x " << rotX << " rot.y " << rotY;
        draw(0.0f, rotX, rotY);
        mixed += frontColours().size() > 1;
    }
    EXPECT_EQ(mixed, 7) << "scrambled faces";
    // A layer half turned: immediate mode under whatever a camera left draws what the arrays
    // draw in the cube's own view.
    const auto arrays = draw(10.5f / 20.0f);
    cube.immediateMode = true;
    glMatrixMode(GL_PROJECTION);
    gluPerspective(20.0, 3.0, 1.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(5, 3, 9, 0, 1, 0, 0, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    cube.render();
    EXPECT_EQ(frame(), arrays);
}

}  // namespace
