// RotatingCubeEffect: one solid-coloured cube of edge 2 with face normals, placed, turned
// (angles in radians, converted with the factor 57.3) and uniformly scaled by its tracks, lit
// by whatever lighting earlier effects left on. Saves and restores the GL state it changes.
#pragma once

#include "core/Effect.h"

class RotatingCubeEffect : public Effect {
public:
    RotatingCubeEffect();
    ~RotatingCubeEffect() override = default;

    void onInit() override;
    void onUpdate(float) override {}
    void onRender() override;
    const char* getClassName() const override { return "RotatingCubeEffect"; }

    // Degrees per radian as this effect has always used it (not 180/pi).
    static constexpr float kDegreesPerRadian = 57.3f;

    float px = 0.0f, py = 0.0f, pz = 0.0f;
    float rx = 0.0f, ry = 0.0f, rz = 0.0f;  // radians
    float r = 1.0f, g = 0.5f, b = 0.2f;
    float scale = 1.0f;
};
