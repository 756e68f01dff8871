// MatrixGreetingsEffect: digital rain. Columns of stroke-font glyphs fall (or rise, or run
// sideways) and fade, mutated by a one-dimensional cellular automaton across the columns; on
// top, the comma-separated greetings of `customText` appear one after another at hashed grid
// positions, decrypt letter by letter, hold and vanish. Everything is drawn as additive GL
// lines in a screen overlay sized by the viewport; nothing is textured.
// Randomness: the shared runtime generator for column and row choices, the float hash for
// everything else, so glyphs and jitter need no stored random numbers. The grid, drops and
// greetings change only in onUpdate; onRender draws what is there.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Effect.h"
#include "core/StrokeFont.h"
#include "core/VertexArray.h"

class MatrixGreetingsEffect : public Effect {
public:
    struct Drop {
        std::int32_t column = 0;
        float position = 0.0f;  // in rows, may be negative
        float speedFactor = 0.0f;
        float length = 0.0f;  // in rows
    };
    struct ActiveGreeting {
        std::string text;
        std::int32_t column = 0, row = 0;  // first grid cell of the text
        float age = 0.0f, decryptTime = 0.0f, holdTime = 0.0f;
        std::vector<bool> revealed;
        std::vector<unsigned char> scrambled;  // one glyph code per character
    };
    // How the rain's line list reaches GL: one vertex-array draw, or glBegin/glVertex calls
    // (the same vertices; kept as the reference the array path is measured and tested against).
    enum class Submission { VertexArray, Immediate };

    static constexpr std::size_t kTextSize = 1024;
    static constexpr int kMaxColumns = 300;
    // A degenerate viewport (a few pixels wide) would otherwise ask for hundreds of thousands
    // of rows; no real screen needs more than this.
    static constexpr int kMaxRows = 4096;

    MatrixGreetingsEffect();

    void onInit() override;
    void onUpdate(float time) override;
    void onRender() override { renderWith(Submission::VertexArray); }
    const char* getClassName() const override { return "MatrixGreetingsEffect"; }
    nlohmann::json toJson() const override;
    // Throws the JSON type error when `customText` is not a string; keeps its first 1023 bytes.
    void fromJson(const nlohmann::json& j) override;

    void renderWith(Submission submission);

    // fract(sin(x * 12.9898) * 43758.547) in single precision; 0 ... 1 (1 itself may occur).
    static float hash(float x);
    // Digits, letters or rain glyphs 0x80 ... 0x8B from a hash value.
    static unsigned char glyphCode(float h);

    float cellIntensity(int column, int row) const { return intensity[cellIndex(column, row)]; }
    unsigned char cellGlyph(int column, int row) const { return glyphs[cellIndex(column, row)]; }
    std::string text() const { return std::string(customText.data()); }
    // Stores the text as fromJson would: at most 1023 bytes, zero-terminated.
    void setText(const std::string& text);

    std::array<char, kTextSize> customText{};
    std::string lastText;
    std::vector<std::string> greetings;
    float direction = 0.0f, columns = 60.0f, ca_rule = 30.0f, speed = 20.0f, decay = 0.5f;
    float spawn_interval = 1.15f, decrypt_time = 0.5f, hold_time = 1.5f, glitch = 1.0f, thickness = 2.0f;
    float greetings_enabled = 1.0f;
    float prevGreetingsEnabled = 1.0f;
    float seed = 1337.0f;
    std::int32_t greetingIndex = 0;
    float colorR = 0.1f, colorG = 0.9f, colorB = 0.2f, alpha = 1.0f;
    float lastTime = 0.0f;
    float spawnTimer = 0.0f;
    float caTimer = 0.0f;
    std::int32_t gridCols = 0, gridRows = 0;
    std::vector<Drop> drops;
    // Per cell, column after column (gridRows cells each): brightness 0 ... 1 and glyph code.
    std::vector<float> intensity;
    std::vector<unsigned char> glyphs;
    std::vector<std::int32_t> caState;  // one 0/1 per column
    std::vector<ActiveGreeting> activeGreetings;  // oldest first
    const StrokeFont& font;

private:
    std::size_t cellIndex(int column, int row) const {
        return static_cast<std::size_t>(column) * static_cast<std::size_t>(gridRows) + static_cast<std::size_t>(row);
    }
    void parseGreetings(const std::string& text);
    // Grid size for the current viewport, columns and direction.
    void gridSizeFor(int& cols, int& rows) const;
    void resize(int cols, int rows);
    void stepAutomaton(float time);
    void moveDrops(float time, float dt);
    void spawnGreeting();
    void ageGreetings(float time, float dt);
    // Which active greeting (index) shows in each cell this frame, -1 for none.
    void claimCells();
    template <class Out>
    void emitCells(Out& out, float aspect, float margin);

    VertexArray lines_{2, VertexArray::kColor};  // reused every frame
    std::vector<GLint> rangeFirsts_;               // ... drawn as these ranges
    std::vector<GLsizei> rangeCounts_;
    std::vector<std::int32_t> claims_;
    std::vector<std::int32_t> nextState_;
};
