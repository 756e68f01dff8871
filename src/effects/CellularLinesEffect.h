// CellularLinesEffect: an elementary cellular automaton (a ring of 64 cells, rule number
// `rule`) grown at `speed` generations per second, whose last 120 generations are drawn as
// glowing lines wrapped onto a sphere, a tube or a torus: every live cell is joined to the live
// cells below it in the next-older generation. Sparks run down the live paths with short fading
// trails. Everything is blended additively. Seeking backwards or changing the rule regrows the
// pattern from its single seed cell up to the current time. Saves and restores the GL state
// it changes. The sparks draw on the shared generator (never reseeded here).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/Effect.h"
#include "core/VertexArray.h"

class CellularLinesEffect : public Effect {
public:
    static constexpr int kCells = 64;
    static constexpr int kGenerations = 120;  // kept and shown
    static constexpr int kSparks = 2000;
    // time x speed is a float: beyond 2^24 it can no longer count single generations, so the
    // pattern holds there (and a huge speed or time costs one bounded regrow, not minutes).
    static constexpr int kMaxGeneration = 1 << 24;

    struct Spark {
        float row = 0.0f;             // position along the generations, 0 = newest
        std::int32_t column = 0;      // 0..63
        std::int32_t nextColumn = 0;  // where it heads in the next-older row
        float sizeFactor = 1.0f;      // 0.5 .. 1.49
        float speedFactor = 1.0f;     // 0.5 .. 1.49
    };
    using Vec3 = std::array<float, 3>;

    CellularLinesEffect();

    void onInit() override;
    void onUpdate(float time) override;
    void onRender() override;
    const char* getClassName() const override { return "CellularLinesEffect"; }

    // One generation of the rule from a ring of cells, bit i = cell i (the ring wraps).
    static std::uint64_t nextGeneration(std::uint64_t cells, int rule);

    // Generation `row` generations older than the newest (0..119), bit i = cell i.
    std::uint64_t cellRow(int row) const {
        return history_[static_cast<std::size_t>((newest_ + kGenerations - row) % kGenerations)];
    }
    bool cell(int row, int column) const { return (cellRow(row) >> column) & 1u; }
    int generated() const { return generated_; }
    int currentRule() const { return currentRule_; }

    // The point of generation position q (row plus fraction) and column j on the shape.
    Vec3 pointOnShape(float q, int column) const;
    // Sparks in use: sparkCount truncated into 0..2000 (NaN: none).
    int sparksInUse() const;
    const std::vector<Spark>& sparks() const { return sparks_; }

    // Submit every line vertex with its own GL call instead of one vertex array; the vertices,
    // and so the pixels, are the same. For comparisons.
    bool immediateMode = false;

    float rowFraction = 0.0f;  // fraction of time x speed, scrolls the pattern smoothly
    float lastTime = 0.0f;
    float shape = 0.0f;        // rounded: 0 sphere, 1 tube, anything else torus
    float rule = 30.0f;        // rounded to the rule number
    float thickness = 2.0f;    // line width in pixels
    float speed = 20.0f;       // generations per second
    float radius = 15.0f;
    float zSpacing = 1.5f;     // generation spacing along the tube / around the torus
    float posX = 0.0f, posY = 0.0f, posZ = 0.0f;
    float rotX = 0.0f, rotY = 0.0f, rotZ = 0.0f;  // degrees
    float colorR = 0.0f, colorG = 0.0f, colorB = 0.0f;
    float alpha = 1.0f;        // line opacity; also scales the sparks
    float antialiasing = 1.0f; // above 0.5: smooth lines
    float sparkCount = 200.0f;
    float sparkBrightness = 1.0f;
    float sparkSize = 4.0f;
    float sparkSpeed = 10.0f;  // generations per second
    float sparkTrail = 0.2f;

private:
    void reset(int ruleNumber);
    void advance(int generations, int ruleNumber);
    void moveSparks(float dt);
    void respawn(Spark& spark);
    int chooseNext(int row, int column) const;
    void computePoints();
    template <class Sink>
    void emitLines(Sink& sink) const;
    void drawSparks(int count) const;

    std::vector<Spark> sparks_;
    std::array<std::uint64_t, kGenerations> history_{};  // a ring; newest_ holds row 0
    int newest_ = 0;
    int generated_ = 0;       // generations since the last reset
    int currentRule_ = -1;    // the rule the cells were grown with
    std::vector<Vec3> points_;  // this frame's point of every (row, column)
    VertexArray lines_{3, 0};
};
