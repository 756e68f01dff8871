// LeftfieldAutomataEffect: a cyclic cellular automaton (100 x 80 cells, five states, on a
// torus) drawn as a field of coloured triangles, alternately pointing up and down, with
// optional inner detail triangles and a travelling sine wobble. The starting grid and the
// rule (threshold, range) come from a seed drawn from the shared generator, which reseeding
// therefore resets for every other effect. The automaton advances only while it is drawn, at
// most one step per frame. Its tracks are made in the constructor and read by name.
// Saves and restores the GL state it changes.
#pragma once

#include <cstdint>

#include "core/Effect.h"
#include "core/VertexArray.h"

class LeftfieldAutomataEffect : public Effect {
public:
    static constexpr int kRows = 100;
    static constexpr int kColumns = 80;
    static constexpr int kStates = 5;

    LeftfieldAutomataEffect();

    void onInit() override {}
    void onUpdate(float time) override { currentTime = time; }
    void onRender() override;
    const char* getClassName() const override { return "LeftfieldAutomataEffect"; }

    // runtime::srand(n), then the cells row by row, then threshold, then range, from the shared
    // generator.
    void seed(int n);
    // One step of the cyclic rule on the torus: a cell moves on to the next state when at
    // least `threshold` cells of its neighbourhood already hold it.
    void step();
    // rule_seed rounded to a whole number; a value outside the int range is clamped to it and
    // NaN keeps the current seed.
    int seedFromTrack(float value) const;

    std::int32_t grid[kRows][kColumns] = {};  // first index row, second column
    std::int32_t nextGrid[kRows][kColumns] = {};
    std::int32_t lastSeed = -1;
    std::int32_t threshold = 3;
    std::int32_t range = 1;
    float lastStepTime = -1.0f;
    float lastRenderTime = -1.0f;
    float currentTime = 0.0f;

    static const float kPalette[kStates][4];

private:
    void buildTriangles(float t, float gap, float complexity, float wobble, float alpha);

    VertexArray triangles_{2, VertexArray::kColor};
};
