// PlasmaEffect: computes a 256 x 256 sine plasma on the processor whenever the time changes
// and uploads it as the dynamic texture "*DynamicPlasma_<instance>*", flat or folded onto a
// sphere-map disc. It draws nothing itself; other effects show the texture from the store.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Effect.h"

class PlasmaEffect : public Effect {
public:
    PlasmaEffect();

    void onInit() override;
    void onUpdate(float time) override;
    void onRender() override {}
    const char* getClassName() const override { return "PlasmaEffect"; }

    // Fills `pixels` for this time and the current parameters (no skip test, no upload).
    void computeImage(float time);

    float speed = 3.0f;
    float scale = 0.05f;
    float colorR = 1.0f, colorG = 0.5f, colorB = 0.8f;
    float envMapMode = 1.0f;
    float lastTime = -1.0f;
    int width = 256, height = 256;
    std::vector<std::uint8_t> pixels;  // RGBA, row 0 first
    std::string textureName;

private:
    void buildSphereMap();
    void computeRowsScalar(float phase, bool sphere);

    // Sphere layout per pixel, independent of time and parameters: the coordinates before the
    // multiplication by `scale`, and an all-ones mask for pixels inside the disc.
    std::vector<float> sphereU_, sphereV_;
    std::vector<std::uint32_t> sphereInside_;
};
