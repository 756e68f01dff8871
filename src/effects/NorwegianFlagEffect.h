// NorwegianFlagEffect: a lit, semi-transparent cloth flag of Norway (red field, white-bordered
// blue cross, 22 : 16) rippling in the wind. Every update rebuilds a grid over the flag from an
// analytic wave function of the music time, with normals from finite differences and colours
// from the flag's design; the draw lights it with a light of its own and blends it over what
// was drawn before. Saves and restores the GL state it changes. An editing tool can move it
// through IDrivable.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/DrivenPlacement.h"
#include "core/Effect.h"

class NorwegianFlagEffect : public Effect, public IDrivable {
public:
    using Vec3 = std::array<float, 3>;

    NorwegianFlagEffect();

    void onInit() override;
    void onUpdate(float time) override;
    void onRender() override;
    const char* getClassName() const override { return "NorwegianFlagEffect"; }

    Effect* asEffect() override { return this; }
    void drive(float dt, bool forward, bool backward, bool left, bool right, bool up, bool down) override;
    void syncFromParameters() override;
    void recordKeys(float time) override;

    // The flag surface for the current parameters at the last update's time, at (u, v) in
    // [0, 1]^2: u from the pole (0) to the fly end (1), v from the bottom (0) to the top (1).
    Vec3 position(float u, float v) const;
    Vec3 normal(float u, float v) const;
    Vec3 colour(float u, float v) const;

    // One corner of a quad as GL's interleaved C4F_N3F_V3F layout stores it: colour (RGB and
    // `alpha`), normal, position.
    struct Vertex {
        float colour[4];
        float normal[3];
        float position[3];
    };
    // The quads of the last update, four corners each: (ul, vb), (ur, vb), (ur, vt), (ul, vt)
    // with u = i / (columns - 1) and v = j / rows, rows outer; each corner as the three surface
    // functions give it there (up to float rounding).
    const std::vector<Vertex>& vertices() const { return vertices_; }
    int quadCount() const { return static_cast<int>(vertices_.size() / 4); }

    // Submit every corner with its own GL calls instead of vertex arrays; the vertices, and so
    // the pixels, are the same. For comparisons.
    bool immediateMode = false;

    // Driven transform, used instead of the six position and rotation parameters while
    // `driving` is set.
    DrivenPlacement driven;

    float posX = 0.0f, posY = 0.0f, posZ = -40.0f;
    float rotX = 0.0f, rotY = 0.0f, rotZ = 0.0f;  // degrees
    float scale = 1.0f;
    float alpha = 1.0f;
    float darkness = 0.5f;
    float windSpeed = 8.0f;   // wave speed, and lift of the fly end
    float waveAmp = 4.0f;
    float waveFreqX = 3.0f;
    float meshRes = 100.0f;   // grid columns across the flag, 10..250
    float lastTime = 0.0f;

private:
    // Per column (u) and per row (v) parts of the wave function, for the point itself and for
    // the point 0.01 further along u (columns) or v (rows), as the normal needs them.
    struct Columns {
        std::vector<float> x, sag, sin1, cos1, sin2, cos2, sin3, cos3;
        void resize(std::size_t n);
    };
    struct Rows {
        std::vector<float> y, sin1, cos1, sin2, cos2, sin3, cos3;
        void resize(std::size_t n);
    };
    void fillColumns(Columns& c, int columns, bool shifted) const;
    void fillRows(Rows& r, int rows, bool shifted) const;
    void computeGridRow(int j, int rows, std::vector<Vertex>& out) const;
    void buildMesh();

    std::vector<Vertex> vertices_;
    float verticesAlpha_ = 1.0f;  // the alpha written into vertices_
    Columns columnParts_, shiftedColumnParts_;
    Rows rowParts_, shiftedRowParts_;
    std::vector<Vertex> gridRow_, nextGridRow_;
};
