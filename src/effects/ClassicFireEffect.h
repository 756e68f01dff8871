// ClassicFireEffect: the old-school fire automaton on a 256 x 256 heat field (random heat on
// the seed row, rising and cooling row by row), coloured through a black-red-yellow-white
// palette and uploaded as the dynamic texture "*DynamicFire_<instance>*", flat or folded onto
// a sphere-map disc. It draws nothing itself. The automaton draws from the shared runtime
// generator, so its look depends on every other user of that generator.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/DynamicImage.h"
#include "core/Effect.h"

class ClassicFireEffect : public Effect {
public:
    void onInit() override;
    void onUpdate(float time) override;
    void onRender() override {}
    const char* getClassName() const override { return "ClassicFireEffect"; }

    // One automaton step: seed row, then every other row from the one below it.
    void step();
    // Colours the current heat field into the image (no upload).
    void colourImage();

    // More steps than the field has rows cannot change the picture any further; the cap
    // keeps an absurd speed key from stalling the frame.
    static constexpr int kMaxStepsPerUpdate = 256;

    float intensity = 1.2f;
    float cooling = 0.025f;
    float speed = 1.0f;
    float envMapMode = 1.0f;
    int width = 256, height = 256;  // of the heat field and the image
    std::vector<float> heat;      // row-major, row 0 = seed row
    std::vector<float> nextHeat;  // the field being computed in a step; row 0 stays 0
    std::array<std::array<std::uint8_t, 3>, 256> palette{};  // heat -> R, G, B
    DynamicImage image;  // "*DynamicFire_<instance>*"

private:
    void buildPalette();
    void buildSphereMap();

    std::array<std::uint32_t, 256> paletteWords_{};  // palette packed as RGB words, alpha 0
    // Sphere layout: the heat cell each pixel shows (the disc mask is the shared sphere map's).
    std::vector<std::int32_t> sphereSource_;
};
