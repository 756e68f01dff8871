// StrokeFont: the glyph table, written once. The letters and the digits "2" to "9" belong to
// both fonts; "0" and "1" come in a rain form and a plain vector-text form; punctuation and
// the rain glyphs belong to the rain font only.
#include "core/StrokeFont.h"

#include <utility>

namespace {

using Glyphs = std::map<unsigned char, std::vector<Segment>>;

// "Q" and "R" are "O" and "P" with one stroke more.
constexpr Segment kO[] = {{0, 0.2f, 0, 0.8f}, {0, 0.8f, 0.2f, 1},     {0.2f, 1, 0.8f, 1}, {0.8f, 1, 1, 0.8f},
                          {1, 0.8f, 1, 0.2f}, {1, 0.2f, 0.8f, 0},     {0.8f, 0, 0.2f, 0}, {0.2f, 0, 0, 0.2f}};
constexpr Segment kP[] = {{0, 0, 0, 1}, {0, 1, 0.8f, 1}, {0.8f, 1, 1, 0.75f}, {1, 0.75f, 0.8f, 0.5f}, {0.8f, 0.5f, 0, 0.5f}};

std::vector<Segment> extended(std::span<const Segment> base, Segment extra) {
    std::vector<Segment> segments(base.begin(), base.end());
    segments.push_back(extra);
    return segments;
}

// "A" ... "Z" and "2" ... "9": the glyphs both fonts share.
void addSharedGlyphs(Glyphs& g) {
    g['A'] = {{0, 0, 0.5f, 1}, {0.5f, 1, 1, 0}, {0.25f, 0.5f, 0.75f, 0.5f}};
    g['B'] = {{0, 0, 0, 1},           {0, 1, 0.8f, 1},       {0.8f, 1, 1, 0.75f}, {1, 0.75f, 0.8f, 0.5f},
              {0.8f, 0.5f, 0, 0.5f},  {0.8f, 0.5f, 1, 0.25f}, {1, 0.25f, 0.8f, 0}, {0.8f, 0, 0, 0}};
    g['C'] = {{1, 0.2f, 0.8f, 0}, {0.8f, 0, 0.2f, 0}, {0.2f, 0, 0, 0.2f}, {0, 0.2f, 0, 0.8f},
              {0, 0.8f, 0.2f, 1}, {0.2f, 1, 0.8f, 1}, {0.8f, 1, 1, 0.8f}};
    g['D'] = {{0, 0, 0, 1}, {0, 1, 0.7f, 1}, {0.7f, 1, 1, 0.7f}, {1, 0.7f, 1, 0.3f}, {1, 0.3f, 0.7f, 0}, {0.7f, 0, 0, 0}};
    g['E'] = {{1, 0, 0, 0}, {0, 0, 0, 1}, {0, 1, 1, 1}, {0, 0.5f, 0.8f, 0.5f}};
    g['F'] = {{0, 0, 0, 1}, {0, 1, 1, 1}, {0, 0.5f, 0.8f, 0.5f}};
    g['G'] = {{1, 0.8f, 0.8f, 1}, {0.8f, 1, 0.2f, 1}, {0.2f, 1, 0, 0.8f}, {0, 0.8f, 0, 0.2f},
              {0, 0.2f, 0.2f, 0}, {0.2f, 0, 1, 0},    {1, 0, 1, 0.5f},    {1, 0.5f, 0.5f, 0.5f}};
    g['H'] = {{0, 0, 0, 1}, {1, 0, 1, 1}, {0, 0.5f, 1, 0.5f}};
    g['I'] = {{0.5f, 0, 0.5f, 1}};
    g['J'] = {{1, 1, 1, 0.2f}, {1, 0.2f, 0.8f, 0}, {0.8f, 0, 0.2f, 0}, {0.2f, 0, 0, 0.2f}, {0, 0.2f, 0, 0.5f}};
    g['K'] = {{0, 0, 0, 1}, {1, 1, 0, 0.4f}, {0.4f, 0.6f, 1, 0}};
    g['L'] = {{0, 1, 0, 0}, {0, 0, 1, 0}};
    g['M'] = {{0, 0, 0, 1}, {0, 1, 0.5f, 0.5f}, {0.5f, 0.5f, 1, 1}, {1, 1, 1, 0}};
    g['N'] = {{0, 0, 0, 1}, {0, 1, 1, 0}, {1, 0, 1, 1}};
    g['O'] = {std::begin(kO), std::end(kO)};
    g['P'] = {std::begin(kP), std::end(kP)};
    g['Q'] = extended(kO, {0.6f, 0.4f, 1, 0});
    g['R'] = extended(kP, {0.5f, 0.5f, 1, 0});
    g['S'] = {{1, 0.8f, 0.8f, 1}, {0.8f, 1, 0.2f, 1}, {0.2f, 1, 0, 0.8f}, {0, 0.8f, 1, 0.2f},
              {1, 0.2f, 0.8f, 0}, {0.8f, 0, 0.2f, 0}, {0.2f, 0, 0, 0.2f}};
    g['T'] = {{0, 1, 1, 1}, {0.5f, 1, 0.5f, 0}};
    g['U'] = {{0, 1, 0, 0.2f}, {0, 0.2f, 0.2f, 0}, {0.2f, 0, 0.8f, 0}, {0.8f, 0, 1, 0.2f}, {1, 0.2f, 1, 1}};
    g['V'] = {{0, 1, 0.5f, 0}, {0.5f, 0, 1, 1}};
    g['W'] = {{0, 1, 0.2f, 0}, {0.2f, 0, 0.5f, 0.5f}, {0.5f, 0.5f, 0.8f, 0}, {0.8f, 0, 1, 1}};
    g['X'] = {{0, 1, 1, 0}, {1, 1, 0, 0}};
    g['Y'] = {{0, 1, 0.5f, 0.5f}, {1, 1, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f, 0}};
    g['Z'] = {{0, 1, 1, 1}, {1, 1, 0, 0}, {0, 0, 1, 0}};

    g['2'] = {{0, 1, 1, 1}, {1, 1, 1, 0.5f}, {1, 0.5f, 0, 0.5f}, {0, 0.5f, 0, 0}, {0, 0, 1, 0}};
    g['3'] = {{0, 1, 1, 1}, {1, 1, 1, 0.5f}, {1, 0.5f, 0.2f, 0.5f}, {1, 0.5f, 1, 0}, {1, 0, 0, 0}};
    g['4'] = {{1, 0.3f, 0, 0.3f}, {0, 0.3f, 0, 1}, {1, 1, 1, 0}};
    g['5'] = {{1, 1, 0, 1}, {0, 1, 0, 0.5f}, {0, 0.5f, 1, 0.5f}, {1, 0.5f, 1, 0}, {1, 0, 0, 0}};
    g['6'] = {{0, 0, 0, 1}, {0, 1, 1, 1}, {0, 0, 1, 0}, {1, 0, 1, 0.5f}, {1, 0.5f, 0, 0.5f}};
    g['7'] = {{0, 1, 1, 1}, {1, 1, 0.5f, 0}};
    g['8'] = {{0, 0, 0, 1}, {0, 1, 1, 1}, {1, 1, 1, 0}, {1, 0, 0, 0}, {0, 0.5f, 1, 0.5f}};
    g['9'] = {{1, 0.5f, 0, 0.5f}, {0, 0.5f, 0, 1}, {0, 1, 1, 1}, {1, 1, 1, 0}, {1, 0, 0, 0}};
}

// The four sides of the box, which both forms of "0" start with.
constexpr Segment kBox[] = {{0, 0, 0, 1}, {0, 1, 1, 1}, {1, 1, 1, 0}, {1, 0, 0, 0}};
constexpr Segment kUpright = {0.5f, 0, 0.5f, 1};

Glyphs rainGlyphs() {
    Glyphs g;
    addSharedGlyphs(g);
    g['0'] = extended(kBox, {0, 0, 1, 1});
    g['1'] = {kUpright, {0.2f, 0.8f, 0.5f, 1}, {0.2f, 0, 0.8f, 0}};
    g['!'] = {{0.5f, 1, 0.5f, 0.3f}, {0.5f, 0.15f, 0.5f, 0}};
    g['?'] = {{0.2f, 0.8f, 0.5f, 1}, {0.5f, 1, 0.8f, 0.8f}, {0.8f, 0.8f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f, 0.3f},
              {0.5f, 0.15f, 0.5f, 0}};
    g['.'] = {{0.5f, 0.15f, 0.5f, 0}};
    g[0x80] = {{0.2f, 0.8f, 0.8f, 0.8f}, {0.5f, 0.8f, 0.5f, 0}};
    g[0x81] = {{0.1f, 0.9f, 0.5f, 0.1f}, {0.9f, 0.9f, 0.5f, 0.1f}};
    g[0x82] = {{0.8f, 0.8f, 0.2f, 0.8f}, {0.2f, 0.8f, 0.2f, 0.2f}, {0.2f, 0.2f, 0.8f, 0.2f}};
    g[0x83] = {{0.8f, 0.9f, 0.8f, 0.1f}, {0.8f, 0.5f, 0.2f, 0.5f}};
    g[0x84] = {{0.2f, 0.2f, 0.8f, 0.8f}, {0.8f, 0.2f, 0.2f, 0.8f}, {0.2f, 0.5f, 0.8f, 0.5f}};
    g[0x85] = {{0, 0, 1, 0}, {1, 0, 1, 1}, {1, 1, 0, 1}, {0, 1, 0, 0}};
    g[0x86] = {{0.2f, 0.9f, 0.8f, 0.9f}, {0.2f, 0.6f, 0.8f, 0.6f}, {0.5f, 0.9f, 0.5f, 0.1f}, {0.5f, 0.1f, 0.2f, 0.1f}};
    g[0x87] = {{0.8f, 0.8f, 0.2f, 0.8f}, {0.2f, 0.8f, 0.2f, 0.2f}, {0.2f, 0.2f, 0.8f, 0.2f}, {0.8f, 0.2f, 0.8f, 0.5f}};
    g[0x88] = {{0.2f, 0.2f, 0.8f, 0.2f}, {0.5f, 0.2f, 0.5f, 0.8f}, {0.2f, 0.8f, 0.8f, 0.8f}};
    g[0x89] = {{0.2f, 0.5f, 0.8f, 0.5f}, {0.5f, 0.2f, 0.5f, 0.8f}};
    g[0x8A] = {{0.1f, 0.1f, 0.1f, 0.9f}, {0.1f, 0.9f, 0.9f, 0.9f}};
    g[0x8B] = {{0.2f, 0.8f, 0.8f, 0.8f}, {0.8f, 0.8f, 0.2f, 0.2f}, {0.2f, 0.2f, 0.8f, 0.2f}};
    g[0x8C] = {{0.1f, 0.5f, 0.9f, 0.5f}};
    return g;
}

Glyphs vectorTextGlyphs() {
    Glyphs g;
    addSharedGlyphs(g);
    g['0'] = {std::begin(kBox), std::end(kBox)};
    g['1'] = {kUpright};
    return g;
}

}  // namespace

StrokeFont::StrokeFont(std::map<unsigned char, std::vector<Segment>> glyphs) : glyphs_(std::move(glyphs)) {
    for (const auto& [code, segments] : glyphs_) lookup_[code] = segments;
}

const StrokeFont& StrokeFont::rain() {
    static const StrokeFont font(rainGlyphs());
    return font;
}

const StrokeFont& StrokeFont::vectorText() {
    static const StrokeFont font(vectorTextGlyphs());
    return font;
}
