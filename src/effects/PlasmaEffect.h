// PlasmaEffect: computes a 256 x 256 sine plasma on the processor whenever the time changes
// and uploads it as the dynamic texture "*DynamicPlasma_<instance>*", flat or folded onto a
// sphere-map disc. It draws nothing itself; other effects show the texture from the store.
#pragma once

#include <cstdint>
#include <vector>

#include "core/DynamicImage.h"
#include "core/Effect.h"

class PlasmaEffect : public Effect {
public:
    PlasmaEffect();

    void onInit() override;
    void onUpdate(float time) override;
    void onRender() override {}
    const char* getClassName() const override { return "PlasmaEffect"; }

    // Fills the image for this time and the current parameters (no skip test, no upload).
    void computeImage(float time);

    float speed = 3.0f;
    float scale = 0.05f;
    float colorR = 1.0f, colorG = 0.5f, colorB = 0.8f;
    float envMapMode = 1.0f;
    DynamicImage image;  // 256 x 256, "*DynamicPlasma_<instance>*"

private:
    void buildSphereMap();
    void computeRowsScalar(float phase, bool sphere);

    // Sphere layout per pixel, independent of time and parameters: the coordinates before the
    // multiplication by `scale` (the disc mask is the shared sphere map's).
    std::vector<float> sphereU_, sphereV_;
};
