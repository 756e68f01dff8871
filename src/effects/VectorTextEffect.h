// VectorTextEffect: one word of `customText`, chosen by `textSelect` from its comma-separated
// words, written with the vector stroke font as additive GL lines and animated by one value,
// `drawProgress`: white sparks first gather onto the stroke starts (0 ... 0.2), then every
// stroke grows from its start to its end at once (0.2 ... 1) with sparks flying from the pen
// tips, optionally showing only a moving piece of each stroke. Sparks come from an integer
// hash of the segment index, so they need no stored state. The word is laid out only when the
// text or the selection changes. Also an IDrivable, for tools that record keys.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Effect.h"
#include "core/StrokeFont.h"

class VectorTextEffect : public Effect, public IDrivable {
public:
    static constexpr std::size_t kTextSize = 256;

    VectorTextEffect();

    void onInit() override;
    void onUpdate(float time) override;
    void onRender() override;
    const char* getClassName() const override { return "VectorTextEffect"; }
    nlohmann::json toJson() const override;
    // Throws the JSON type error when `customText` is not a string; keeps its first 255 bytes.
    void fromJson(const nlohmann::json& j) override;

    Effect* asEffect() override { return this; }
    void drive(float, bool, bool, bool, bool, bool, bool) override {}
    void syncFromParameters() override {}
    // Records sparkSize, sparkBrightness, drawProgress, textSelect and textOpacity as keys.
    void recordKeys(float time) override;

    // The spark hash: (h mod 2000) / 1000 - 1 with h = (m * 54321 + 111111) * m and
    // m = (i * 1973) xor (n * 2927), in wrapping 32-bit unsigned arithmetic; -1 ... 1.
    static float rnd(std::uint32_t i, std::uint32_t n);

    std::string text() const { return std::string(customText.data()); }
    // Stores the text as fromJson would: at most 255 bytes, zero-terminated.
    void setText(const std::string& text);

    float posX = 0.0f, posY = 0.0f, rot = 0.0f, scale = 5.0f;
    float colorR = 0.0f, colorG = 0.8f, colorB = 1.0f, alpha = 1.0f;
    std::array<char, kTextSize> customText{};
    std::string lastText;
    std::int32_t lastSelect = -1;
    float textSelect = 0.0f, drawProgress = 0.0f, textOpacity = 1.0f, trailLength = 1.0f, thickness = 2.0f;
    float charSpacing = 1.2f;  // advance per character in glyph units
    float antialiasing = 1.0f;
    float currentTime = 0.0f;  // drives the spark flicker and flight
    float sparkSize = 6.0f, sparkBrightness = 1.5f;
    const StrokeFont& font;
    std::vector<Segment> strokes;  // the selected word, laid out in glyph units

private:
    void layout(const std::string& word);
    void drawSparks(float a, float burst, float d) const;
};
