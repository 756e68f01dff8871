// RubixCubeEffect: a 3 x 3 x 3 puzzle cube that solves itself as `progress` runs from 0 to 1.
// On its first draw it builds the 27 small cubes, scrambles them with 20 quarter turns from the
// shared generator seeded with 1337 (so every run shows the same scramble), and keeps the
// inverse moves as the solution. Each frame replays the first part of the solution on a copy
// and eases the current turn with a smoothstep. It draws in its own perspective view with its
// own light, ignoring any camera, and saves and restores every GL state it changes.
// Its tracks are made in the constructor and read by name; three of them have no keys.
#pragma once

#include <cstdint>
#include <vector>

#include "core/Effect.h"
#include "core/VertexArray.h"

// One small cube: its lattice place (each -1, 0 or 1, to pick the cubes of a layer), its
// placement (column-major 4 x 4) and its sticker colours in the face order +x, -x, +y, -y, +z, -z.
struct Cubie {
    std::int32_t x = 0, y = 0, z = 0;
    float transform[16] = {};
    float faceColours[6][3] = {};
};

// A quarter turn of one outer layer: axis 0 = x, 1 = y, 2 = z; layer -1 or 1; direction +1 or
// -1, the sign of the 90 degree turn about the positive axis.
struct CubeMove {
    std::int32_t axis = 0, layer = 0, direction = 0;
};

class RubixCubeEffect : public Effect {
public:
    static constexpr int kScrambleMoves = 20;

    RubixCubeEffect();

    void onInit() override {}
    void onUpdate(float) override {}
    void onRender() override;
    const char* getClassName() const override { return "RubixCubeEffect"; }

    // Builds the solved cube and scrambles it (reseeding the shared generator with 1337).
    // onRender does this once, on the first draw.
    void setUpAndScramble();
    bool isSetUp() const { return setUp_; }

    // Turns the cubes of the move's layer: lattice places and transforms.
    static void applyMove(std::vector<Cubie>& cubies, const CubeMove& move);

    // The cube as shown at this progress (clamped into 0..1; NaN counts as 0): the first
    // movesDone() solution moves applied to a copy of the scrambled cube, and the layer of the
    // next move turned by turnDegrees() (smoothstep of the fraction, signed by its direction).
    const std::vector<Cubie>& arrange(float progress);
    int movesDone() const { return movesDone_; }
    float turnDegrees() const { return turnDegrees_; }

    const std::vector<Cubie>& cubies() const { return cubies_; }
    const std::vector<CubeMove>& scrambleMoves() const { return scramble_; }
    const std::vector<CubeMove>& solutionMoves() const { return solution_; }

    // Submit every vertex with its own GL call instead of one vertex array per cube; the
    // vertices, and so the pixels, are the same. For comparisons.
    bool immediateMode = false;

private:
    std::vector<Cubie> cubies_;  // the scrambled cube, unchanged after set-up
    std::vector<CubeMove> scramble_, solution_;
    bool setUp_ = false;

    std::vector<Cubie> frame_;            // the copy arranged for this frame
    std::vector<VertexArray> geometry_;   // body and stickers of each cube, in its own frame
    int movesDone_ = 0;
    float turnDegrees_ = 0.0f;
};
