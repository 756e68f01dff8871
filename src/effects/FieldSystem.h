// FieldSystem: the numeric core of the iso-surface effect. A cubic grid of N x N x N sample
// points, a library of six distance-like field functions (negative inside, measured in grid
// cells) and five ways of combining two of them, 17 metaballs on Lissajous paths, the sampled
// field and its normalised gradient at every grid point, and the marching-tetrahedra extraction
// of the surface where the field equals an iso level.
//
// Fields are `ScalarField` callables and combinations are built from them, so any callable can
// take part; but the grid is not sampled one nested call per point: fields made by this system
// (library fields, constants, operations, cross-fades) are recognised and evaluated a whole grid
// row at a time in loops the compiler vectorises, on the worker threads. Other callables are
// called per point. Draws nothing and knows no GL.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

using ScalarField = std::function<float(int x, int y, int z)>;

enum FieldID : std::int32_t { Sphere = 0, Metaballs = 1, Box = 2, Torus = 3, Plane = 4, Empty = 5 };
enum FieldOp : std::int32_t { Union = 0, Intersection = 1, Subtraction = 2, SmoothUnion = 3, Displace = 4 };

class FieldSystem {
public:
    static constexpr int kFieldCount = 6;
    static constexpr int kOperationCount = 5;
    // The value of the Empty field, and of anything that has no field to evaluate.
    static constexpr float kEmptyValue = 1000.0f;
    // The path and torus sizes are fractions of this grid size, whatever the resolution.
    static constexpr float kConstructionSize = 32.0f;

    using FieldFunction = float (*)(const FieldSystem& system, int x, int y, int z);
    using OperationFunction = ScalarField (*)(ScalarField a, ScalarField b);

    // The table of field functions by FieldID, and of operations by FieldOp (constants: every
    // entry is always set).
    static const std::array<FieldFunction, kFieldCount> fieldFunctions;
    static const std::array<OperationFunction, kOperationCount> operations;

    FieldSystem(float torusMajorFraction = 0.3f, float torusMinorFraction = 0.1f, float strength = 1.0f,
                float orbitCentreFraction = 0.5f, float orbitAmplitudeFraction = 0.25f);

    // N grid points per axis (the caller keeps N sane); resizes the grid, new points zero.
    void init(int newResolution);
    // The library field `id`, reading this system's current state at every call; empty for an
    // id outside 0 ... 5.
    ScalarField getFieldFunc(FieldID id) const;
    void configureOperation(ScalarField a, ScalarField b, FieldOp op, FieldID idA, FieldID idB);
    void configureMorph(ScalarField a1, ScalarField b1, FieldOp op1, FieldID idA1, FieldID idB1, ScalarField a2,
                        ScalarField b2, FieldOp op2, FieldID idA2, FieldID idB2, float t);
    void animateMetaballs(float time, float metaSize, float metaSpeed);
    // values <- composedField at every grid point (an empty field samples as kEmptyValue).
    void sampleField();
    // normals <- normalised central differences of values (clamped at the borders), or (0, 1, 0)
    // where the gradient vanishes.
    void computeNormals();
    // The triangles of the surface values == isolevel, three vertices each: 3 position floats
    // (centred on the grid), 3 normal floats and, unless shadingMode is 1, 2 texture
    // coordinates per vertex, replacing the arrays' contents (their capacity is kept). Cubes
    // come in grid order (x fastest, z slowest) whatever the number of threads.
    void polygonize(std::vector<float>& positions, std::vector<float>& normalsOut, std::vector<float>& texCoords,
                    int shadingMode, float isolevel);
    // computeNormals then polygonize, the same triangles for a fraction of the work: only the
    // normals polygonize reads are computed (those of the grid rows next to the surface); the
    // other grid points keep the normals they had.
    void computeNormalsAndPolygonize(std::vector<float>& positions, std::vector<float>& normalsOut,
                                     std::vector<float>& texCoords, int shadingMode, float isolevel);

    std::size_t index(int x, int y, int z) const {
        return static_cast<std::size_t>(x) + static_cast<std::size_t>(resolution) * (y + static_cast<std::size_t>(resolution) * z);
    }

    int resolution = 32;
    std::vector<float> values = std::vector<float>(32 * 32 * 32, 0.0f);
    std::vector<std::array<float, 3>> normals = std::vector<std::array<float, 3>>(32 * 32 * 32, {0.0f, 0.0f, 0.0f});
    int ballCount = 17;
    std::vector<std::array<float, 3>> ballPositions;
    std::vector<float> ballWeights;
    float sphereRadius = 16.0f;
    float torusMajorRadius;
    float torusMinorRadius;
    float ballStrength;
    float orbitCentre;
    float orbitAmplitude;
    ScalarField operandA, operandB, composedField;
    FieldOp operation = Union;
    FieldID primaryId = Empty;
    FieldID secondaryId = Empty;

private:
    // Fills out[0 ... N) with `field` along row (y, z); `scratch` holds rows for sub-fields.
    void sampleRow(const ScalarField& field, int y, int z, float* out, float* scratch) const;
    void libraryRow(FieldID id, int y, int z, float* out) const;
    void computeNormalRows(const std::uint8_t* wanted);  // the grid rows r with wanted[r] (all for null)
    void extract(std::vector<float>& positions, std::vector<float>& normalsOut, std::vector<float>& texCoords,
                 int shadingMode, float isolevel, bool normalsNearSurface);
    // Marks the cube rows of slab z the surface crosses, stores their cubes' corner codes and
    // returns the number of vertices the slab makes.
    std::size_t classifySlab(int z);
    // Writes slab z's triangles from the given positions on (texture coordinates when uv is set).
    void polygonizeSlab(int z, float isolevel, float* p, float* nn, float* uv) const;

    // Scratch kept from frame to frame (resized only when the grid grows).
    std::vector<float> rowScratch_;             // sampling and normals: rows per worker thread
    std::vector<std::uint8_t> inside_;          // isolevel > value, per grid point
    std::vector<std::int32_t> rowInside_;       // inside points per grid row
    std::vector<std::uint8_t> cubeCodes_;       // corner codes of the cubes in active rows
    std::vector<std::uint8_t> rowActive_;       // per cube row: does the surface cross it
    std::vector<std::uint8_t> rowWanted_;       // per grid row: are its normals read
    std::vector<std::size_t> slabFirstVertex_;  // where each slab's vertices start
};
