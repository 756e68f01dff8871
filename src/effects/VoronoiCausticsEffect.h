// VoronoiCausticsEffect: computes a 256 x 256 image of water caustics (distance to the nearest
// of a set of moving points, one jittered point per unit cell) on the processor whenever the
// time changes and uploads it as the dynamic texture "*DynamicCaustics_<instance>*", flat or
// folded onto a sphere-map disc. It draws nothing itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Effect.h"

class VoronoiCausticsEffect : public Effect {
public:
    VoronoiCausticsEffect();

    void onInit() override;
    void onUpdate(float time) override;
    void onRender() override {}
    const char* getClassName() const override { return "VoronoiCausticsEffect"; }

    // Fills `pixels` for this time and the current parameters (no skip test, no upload).
    void computeImage(float time);

    float speed = 1.5f;
    float scale = 6.0f;
    float sharpness = 3.5f;
    float colorR = 0.2f, colorG = 0.8f, colorB = 1.0f;
    float envMapMode = 1.0f;
    float lastTime = -1.0f;
    int width = 256, height = 256;
    std::vector<std::uint8_t> pixels;  // RGBA, row 0 first
    std::string textureName;

private:
    void buildSphereMap();
    void computeRowsScalar(float phase, bool sphere);

    // Sphere layout per pixel, before the multiplication by `scale`; all-ones mask inside.
    std::vector<float> sphereU_, sphereV_;
    std::vector<std::uint32_t> sphereInside_;
    float sphereLowest_ = 0.0f, sphereHighest_ = 1.0f;  // over sphereU_ and sphereV_ together
    // Per frame: every cell's feature point relative to its neighbours, see computeImage.
    std::vector<float> offsetX_, offsetY_;
};
