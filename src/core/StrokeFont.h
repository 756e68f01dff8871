// The built-in stroke fonts of the text effects: each glyph is a list of line segments in a
// unit box (x to the right, y up), drawn in list order. Two fonts share one glyph table:
// the rain font (letters, digits, "!", "?", "." and the thirteen rain glyphs 0x80 ... 0x8C)
// and the vector-text font (letters and digits only, with a plain box for "0" and a single
// stroke for "1"). Codes without a glyph draw nothing. Holds no GL state; the fonts are built
// once and never change, so any thread may read them.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <span>
#include <vector>

// The fonts have upper-case letters only; text is upper-cased byte by byte as the runtime's
// toupper does in the "C" locale, without its undefined behaviour for bytes above 0x7F held in
// a signed char: those stay as they are (and draw nothing, or a rain glyph for 0x80 ... 0x8C).
inline char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

struct Segment {
    float x1, y1, x2, y2;
    bool operator==(const Segment&) const = default;
};

class StrokeFont {
public:
    // The font of the digital rain and its greetings (52 glyphs).
    static const StrokeFont& rain();
    // The font of the vector text (36 glyphs).
    static const StrokeFont& vectorText();

    // The segments of a code, empty when the code has no glyph.
    std::span<const Segment> glyph(unsigned char code) const { return lookup_[code]; }
    bool has(unsigned char code) const { return glyphs_.count(code) != 0; }
    // Every glyph by code, in code order.
    const std::map<unsigned char, std::vector<Segment>>& glyphs() const { return glyphs_; }

    StrokeFont(const StrokeFont&) = delete;
    StrokeFont& operator=(const StrokeFont&) = delete;

private:
    explicit StrokeFont(std::map<unsigned char, std::vector<Segment>> glyphs);

    std::map<unsigned char, std::vector<Segment>> glyphs_;
    std::array<std::span<const Segment>, 256> lookup_{};  // views into glyphs_, by code
};
