// Lighting: an effect that draws nothing but switches on fixed-function lighting with light 0
// (grey intensities, a point or directional position, one- or two-sided). The state stays in
// force for every later effect on purpose; nothing is saved or restored here.
#pragma once

#include "core/Effect.h"

class Lighting : public Effect {
public:
    Lighting();

    void onInit() override;
    void onUpdate(float) override {}
    void onRender() override;
    const char* getClassName() const override { return "Lighting"; }

    float ambient = 0.4f;
    float diffuse = 1.0f;
    float specular = 0.2f;
    float twoSided = 1.0f;
    // x, y, z, w side by side: handed to GL as one homogeneous position (w 0 = directional).
    float light[4] = {0.0f, 5.0f, 5.0f, 1.0f};
};
