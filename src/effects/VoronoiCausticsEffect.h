// VoronoiCausticsEffect: computes a 256 x 256 image of water caustics (distance to the nearest
// of a set of moving points, one jittered point per unit cell) on the processor whenever the
// time changes and uploads it as the dynamic texture "*DynamicCaustics_<instance>*", flat or
// folded onto a sphere-map disc. It draws nothing itself.
#pragma once

#include <vector>

#include "core/DynamicImage.h"
#include "core/Effect.h"

class VoronoiCausticsEffect : public Effect {
public:
    VoronoiCausticsEffect();

    void onInit() override;
    void onUpdate(float time) override;
    void onRender() override {}
    const char* getClassName() const override { return "VoronoiCausticsEffect"; }

    // Fills the image for this time and the current parameters (no skip test, no upload).
    void computeImage(float time);

    float speed = 1.5f;
    float scale = 6.0f;
    float sharpness = 3.5f;
    float colorR = 0.2f, colorG = 0.8f, colorB = 1.0f;
    float envMapMode = 1.0f;
    DynamicImage image;  // 256 x 256, "*DynamicCaustics_<instance>*"

private:
    void buildSphereMap();
    void computeRowsScalar(float phase, bool sphere);

    float sphereLowest_ = 0.0f, sphereHighest_ = 1.0f;  // over the sphere map's u and v together
    // Per frame: every cell's feature point relative to its neighbours, see computeImage.
    std::vector<float> offsetX_, offsetY_;
};
