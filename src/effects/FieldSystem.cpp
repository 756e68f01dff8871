// FieldSystem: the field formulas (per point, as the callables evaluate them, and per grid row,
// as sampling evaluates them: the same operations in the same order, so the same floats), the
// composition of fields, the normals and the marching-tetrahedra extraction.
//
// Speed: a row of the grid is one call into a loop the compiler vectorises (an AVX2 clone where
// the processor has it), and rows and z slabs are spread over the worker threads; scratch keeps
// its capacity, so after the first frames nothing is allocated. Polygonisation marks the grid
// points inside the surface and counts them per row, skips cube rows whose four grid rows are all
// inside or all outside and then cubes whose eight corners agree; a cube's corner code selects
// its triangles from a table worked out at compile time, and each of its edge vertices is
// computed once. Counting the vertices of every slab first lets each slab write its triangles
// straight to their place in the output, so the order is that of the slabs on any number of
// threads; computeNormalsAndPolygonize computes only the normals of the grid rows those cubes
// touch. Vertex normals and texture coordinates multiply by reciprocals where the formula
// divides: the same values up to rounding.
#include "effects/FieldSystem.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

#include "base/Workers.h"

// GCC only: clang does not yet clone function templates (the sanitized and fuzzing builds use
// clang and simply get the default version).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define FIELD_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define FIELD_VECTOR_CLONES
#endif

namespace {

// ---- The fields the system makes; sampling recognises them by type. ----

struct LibraryField {
    const FieldSystem* system;
    FieldID id;
    float operator()(int x, int y, int z) const { return FieldSystem::fieldFunctions[id](*system, x, y, z); }
};

struct ConstantField {
    float value;
    float operator()(int, int, int) const { return value; }
};

// The second operand's stand-in when it is empty: the first operand's value or 0.
inline bool missingOperandIsFirst(FieldOp op) { return op != Subtraction && op != Displace; }

template <FieldOp op>
inline float combine(float fa, float fb) {
    if constexpr (op == Union) return std::min(fa, fb);
    if constexpr (op == Intersection) return std::max(fa, fb);
    if constexpr (op == Subtraction) return std::max(fa, -fb);
    if constexpr (op == SmoothUnion) {
        // Polynomial smooth minimum, blend width 6 cells.
        const float h = std::clamp(0.5f + 0.5f * (fb - fa) / 6.0f, 0.0f, 1.0f);
        return h * fa + (1.0f - h) * fb - 6.0f * h * (1.0f - h);
    }
    if constexpr (op == Displace) return fa + 2.0f * std::sin(0.5f * fb);
    return fa;
}

float combineValues(FieldOp op, float fa, float fb) {
    switch (op) {
        case Union: return combine<Union>(fa, fb);
        case Intersection: return combine<Intersection>(fa, fb);
        case Subtraction: return combine<Subtraction>(fa, fb);
        case SmoothUnion: return combine<SmoothUnion>(fa, fb);
        case Displace: return combine<Displace>(fa, fb);
    }
    return fa;
}

struct OperationField {
    FieldOp op;
    ScalarField a, b;
    float operator()(int x, int y, int z) const {
        if (!a) return FieldSystem::kEmptyValue;  // nothing to combine: no surface here
        const float fa = a(x, y, z);
        const float fb = b ? b(x, y, z) : missingOperandIsFirst(op) ? fa : 0.0f;
        return combineValues(op, fa, fb);
    }
};

struct MorphField {
    ScalarField first, second;
    float t;
    float operator()(int x, int y, int z) const {
        const float f1 = first ? first(x, y, z) : FieldSystem::kEmptyValue;
        const float f2 = second ? second(x, y, z) : FieldSystem::kEmptyValue;
        return (1.0f - t) * f1 + t * f2;
    }
};

template <FieldOp op>
ScalarField makeOperation(ScalarField a, ScalarField b) {
    return OperationField{op, std::move(a), std::move(b)};
}

// ---- The field formulas at one grid point. ----

float gridCentre(const FieldSystem& s) { return static_cast<float>(s.resolution) * 0.5f; }

float sphereAt(const FieldSystem& s, int x, int y, int z) {
    const float m = gridCentre(s);
    const float dx = x - m, dy = y - m, dz = z - m;
    return std::sqrt(dx * dx + dy * dy + dz * dz) - s.sphereRadius;
}

int usableBalls(const FieldSystem& s) {
    return std::max(0, std::min({s.ballCount, static_cast<int>(s.ballPositions.size()), static_cast<int>(s.ballWeights.size())}));
}

float metaballsAt(const FieldSystem& s, int x, int y, int z) {
    if (s.ballCount < 1) return 1.0f;
    float sum = 0.0f;
    for (int i = 0, n = usableBalls(s); i < n; ++i) {
        const std::array<float, 3>& b = s.ballPositions[i];
        const float ex = x - b[0], ey = y - b[1], ez = z - b[2];
        sum += s.ballWeights[i] / (ex * ex + ey * ey + ez * ez + 1e-6f);
    }
    return 1.0f - sum;
}

float boxHalfSize(const FieldSystem& s) { return 0.3f * static_cast<float>(s.resolution); }

float boxAt(const FieldSystem& s, int x, int y, int z) {
    const float m = gridCentre(s), h = boxHalfSize(s);
    const float dx = x - m, dy = y - m, dz = z - m;
    return std::max(std::max(std::fabs(dx) - h, std::fabs(dy) - h), std::fabs(dz) - h);
}

float torusAt(const FieldSystem& s, int x, int y, int z) {
    const float m = gridCentre(s);
    const float dx = x - m, dy = y - m, dz = z - m;
    const float ring = std::sqrt(dz * dz + dy * dy) - s.torusMajorRadius;
    return std::sqrt(dx * dx + ring * ring) - s.torusMinorRadius;
}

float planeAt(const FieldSystem& s, int, int y, int) { return y - gridCentre(s); }

float emptyAt(const FieldSystem&, int, int, int) { return FieldSystem::kEmptyValue; }

// ---- The same formulas along a row x = 0 ... n-1 (dy, dz and per-row terms precomputed). ----

FIELD_VECTOR_CLONES
void sphereRow(int n, float m, float dy2, float dz2, float radius, float* out) {
    for (int x = 0; x < n; ++x) {
        const float dx = static_cast<float>(x) - m;
        float s = dx * dx + dy2;
        s = s + dz2;
        out[x] = std::sqrt(s) - radius;
    }
}

FIELD_VECTOR_CLONES
void metaballsRow(int n, const FieldSystem& s, int y, int z, float* out) {
    for (int x = 0; x < n; ++x) out[x] = 0.0f;
    for (int i = 0, count = usableBalls(s); i < count; ++i) {
        const std::array<float, 3>& b = s.ballPositions[i];
        const float w = s.ballWeights[i], bx = b[0];
        const float ey = y - b[1], ez = z - b[2];
        const float ey2 = ey * ey, ez2 = ez * ez;
        for (int x = 0; x < n; ++x) {
            const float ex = static_cast<float>(x) - bx;
            float d = ex * ex + ey2;
            d = d + ez2;
            d = d + 1e-6f;
            out[x] += w / d;
        }
    }
    for (int x = 0; x < n; ++x) out[x] = 1.0f - out[x];
}

FIELD_VECTOR_CLONES
void boxRow(int n, float m, float h, float yPart, float zPart, float* out) {
    for (int x = 0; x < n; ++x) out[x] = std::max(std::max(std::fabs(static_cast<float>(x) - m) - h, yPart), zPart);
}

FIELD_VECTOR_CLONES
void torusRow(int n, float m, float ring2, float minor, float* out) {
    for (int x = 0; x < n; ++x) {
        const float dx = static_cast<float>(x) - m;
        out[x] = std::sqrt(dx * dx + ring2) - minor;
    }
}

void fillRow(int n, float value, float* out) { std::fill(out, out + n, value); }

template <FieldOp op>
FIELD_VECTOR_CLONES void combineRowOp(int n, float* a, const float* b) {
    for (int x = 0; x < n; ++x) a[x] = combine<op>(a[x], b[x]);
}

void combineRow(FieldOp op, int n, float* a, const float* b) {
    switch (op) {
        case Union: combineRowOp<Union>(n, a, b); break;
        case Intersection: combineRowOp<Intersection>(n, a, b); break;
        case Subtraction: combineRowOp<Subtraction>(n, a, b); break;
        case SmoothUnion: combineRowOp<SmoothUnion>(n, a, b); break;
        case Displace: combineRowOp<Displace>(n, a, b); break;
    }
}

FIELD_VECTOR_CLONES
void morphRow(int n, float t, float* a, const float* b) {
    for (int x = 0; x < n; ++x) a[x] = (1.0f - t) * a[x] + t * b[x];
}

// Rows of scratch a field needs besides its output row.
// Floats of per-thread scratch for `count` floats, in whole cache lines plus one, so two threads'
// scratch rows never share a line (writing one line from both cores made the sampling slower on
// two threads than on one).
std::size_t slotFloats(std::size_t count) {
    constexpr std::size_t kLineFloats = 64 / sizeof(float);
    return (count + 2 * kLineFloats - 1) / kLineFloats * kLineFloats;
}

int scratchDepth(const ScalarField& f) {
    if (const auto* op = f.target<OperationField>()) return std::max(scratchDepth(op->a), 1 + scratchDepth(op->b));
    if (const auto* m = f.target<MorphField>()) return std::max(scratchDepth(m->first), 1 + scratchDepth(m->second));
    return 0;
}

}  // namespace

const std::array<FieldSystem::FieldFunction, FieldSystem::kFieldCount> FieldSystem::fieldFunctions = {
    sphereAt, metaballsAt, boxAt, torusAt, planeAt, emptyAt,
};

const std::array<FieldSystem::OperationFunction, FieldSystem::kOperationCount> FieldSystem::operations = {
    makeOperation<Union>, makeOperation<Intersection>, makeOperation<Subtraction>, makeOperation<SmoothUnion>,
    makeOperation<Displace>,
};

FieldSystem::FieldSystem(float torusMajorFraction, float torusMinorFraction, float strength,
                         float orbitCentreFraction, float orbitAmplitudeFraction)
    : ballPositions(17, {0.0f, 0.0f, 0.0f}),
      ballWeights(17, 0.0f),
      torusMajorRadius(torusMajorFraction * kConstructionSize),
      torusMinorRadius(torusMinorFraction * kConstructionSize),
      ballStrength(strength),
      orbitCentre(orbitCentreFraction * kConstructionSize),
      orbitAmplitude(orbitAmplitudeFraction * kConstructionSize) {}

void FieldSystem::init(int newResolution) {
    resolution = std::max(1, newResolution);
    const std::size_t points = static_cast<std::size_t>(resolution) * resolution * resolution;
    values.resize(points, 0.0f);
    normals.resize(points, {0.0f, 0.0f, 0.0f});
}

ScalarField FieldSystem::getFieldFunc(FieldID id) const {
    if (id < 0 || id >= kFieldCount) return {};
    return LibraryField{this, id};
}

void FieldSystem::configureOperation(ScalarField a, ScalarField b, FieldOp op, FieldID idA, FieldID idB) {
    operandA = a;
    operandB = b;
    primaryId = idA;
    secondaryId = idB;
    operation = op;
    if (!a)
        composedField = ConstantField{0.0f};
    else if (op >= 0 && op < kOperationCount)
        composedField = operations[op](std::move(a), std::move(b));
    else
        composedField = std::move(a);
}

void FieldSystem::configureMorph(ScalarField a1, ScalarField b1, FieldOp op1, FieldID idA1, FieldID idB1,
                                 ScalarField a2, ScalarField b2, FieldOp op2, FieldID idA2, FieldID idB2, float t) {
    const bool anyBalls = idA1 == Metaballs || idB1 == Metaballs || idA2 == Metaballs || idB2 == Metaballs;
    primaryId = anyBalls ? Metaballs : Empty;
    secondaryId = Empty;
    // A combination without a first operand has nothing to show: it fades against "empty".
    auto side = [](ScalarField a, ScalarField b, FieldOp op) -> ScalarField {
        if (!a) return ConstantField{kEmptyValue};
        if (op >= 0 && op < kOperationCount) return operations[op](std::move(a), std::move(b));
        return a;
    };
    composedField = MorphField{side(std::move(a1), std::move(b1), op1), side(std::move(a2), std::move(b2), op2), t};
}

void FieldSystem::animateMetaballs(float time, float metaSize, float metaSpeed) {
    const float s = metaSpeed * time;
    const float w = metaSize * metaSize * ballStrength;
    for (int i = 0, n = usableBalls(*this); i < n; ++i) {
        const float k = static_cast<float>(i);
        ballPositions[i] = {orbitCentre + orbitAmplitude * std::sin((0.3f * k + 0.9f) * s),
                            orbitCentre + orbitAmplitude * std::cos((0.2f * k + 1.1f) * s),
                            orbitCentre + orbitAmplitude * std::sin((0.1f * k + 1.5f) * s)};
        ballWeights[i] = w;
    }
}

void FieldSystem::libraryRow(FieldID id, int y, int z, float* out) const {
    const int n = resolution;
    const float m = gridCentre(*this);
    const float dy = y - m, dz = z - m;
    switch (id) {
        case Sphere: sphereRow(n, m, dy * dy, dz * dz, sphereRadius, out); break;
        case Metaballs:
            if (ballCount < 1) fillRow(n, 1.0f, out);
            else metaballsRow(n, *this, y, z, out);
            break;
        case Box: {
            const float h = boxHalfSize(*this);
            boxRow(n, m, h, std::fabs(dy) - h, std::fabs(dz) - h, out);
            break;
        }
        case Torus: {
            const float ring = std::sqrt(dz * dz + dy * dy) - torusMajorRadius;
            torusRow(n, m, ring * ring, torusMinorRadius, out);
            break;
        }
        case Plane: fillRow(n, dy, out); break;
        case Empty: fillRow(n, kEmptyValue, out); break;
    }
}

void FieldSystem::sampleRow(const ScalarField& field, int y, int z, float* out, float* scratch) const {
    const int n = resolution;
    if (!field) {
        fillRow(n, kEmptyValue, out);
    } else if (const auto* library = field.target<LibraryField>()) {
        if (library->system == this) libraryRow(library->id, y, z, out);
        else for (int x = 0; x < n; ++x) out[x] = (*library)(x, y, z);
    } else if (const auto* constant = field.target<ConstantField>()) {
        fillRow(n, constant->value, out);
    } else if (const auto* op = field.target<OperationField>()) {
        if (!op->a) {
            fillRow(n, kEmptyValue, out);
            return;
        }
        sampleRow(op->a, y, z, out, scratch);
        if (op->b) sampleRow(op->b, y, z, scratch, scratch + n);
        else if (missingOperandIsFirst(op->op)) std::copy(out, out + n, scratch);
        else fillRow(n, 0.0f, scratch);
        combineRow(op->op, n, out, scratch);
    } else if (const auto* morph = field.target<MorphField>()) {
        sampleRow(morph->first, y, z, out, scratch);
        sampleRow(morph->second, y, z, scratch, scratch + n);
        morphRow(n, morph->t, out, scratch);
    } else {
        for (int x = 0; x < n; ++x) out[x] = field(x, y, z);
    }
}

void FieldSystem::sampleField() {
    const int n = resolution;
    const std::size_t perSlot = slotFloats(static_cast<std::size_t>(scratchDepth(composedField)) * n);
    const std::size_t slots = static_cast<std::size_t>(workers::threadCount());
    if (rowScratch_.size() < perSlot * slots) rowScratch_.resize(perSlot * slots);
    workers::parallelFor(
        n * n,
        [&](int begin, int end, int slot) {
            float* scratch = rowScratch_.data() + perSlot * slot;
            for (int row = begin; row < end; ++row)
                sampleRow(composedField, row % n, row / n, values.data() + static_cast<std::size_t>(row) * n, scratch);
        },
        std::max(1, 4096 / n));
}

namespace {

// Central differences along one row, clamped at the ends; yLo ... zHi are the neighbouring rows
// (the row itself at a border), dx is scratch for n floats. Writes the normalised gradient, or
// (0, 1, 0) where it vanishes, as x, y, z triples.
FIELD_VECTOR_CLONES
void normalRow(int n, const float* __restrict row, const float* __restrict yLo, const float* __restrict yHi,
               const float* __restrict zLo, const float* __restrict zHi, float* __restrict dx, float* __restrict out) {
    // x differences first: the clamped ends would keep the main loop scalar.
    dx[0] = row[n > 1 ? 1 : 0] - row[0];
    for (int x = 1; x + 1 < n; ++x) dx[x] = row[x + 1] - row[x - 1];
    if (n > 1) dx[n - 1] = row[n - 1] - row[n - 2];
    for (int x = 0; x < n; ++x) {
        const float gx = dx[x];
        const float gy = yHi[x] - yLo[x];
        const float gz = zHi[x] - zLo[x];
        const float lengthSquared = gx * gx + gy * gy + gz * gz;
        const bool usable = lengthSquared > 1e-8f;
        const float length = std::sqrt(usable ? lengthSquared : 1.0f);
        const float qx = gx / length, qy = gy / length, qz = gz / length;
        out[3 * x] = usable ? qx : 0.0f;
        out[3 * x + 1] = usable ? qy : 1.0f;
        out[3 * x + 2] = usable ? qz : 0.0f;
    }
}

}  // namespace

void FieldSystem::computeNormals() { computeNormalRows(nullptr); }

void FieldSystem::computeNormalRows(const std::uint8_t* wanted) {
    const int n = resolution;
    const std::size_t perSlot = slotFloats(static_cast<std::size_t>(n));
    const std::size_t slots = static_cast<std::size_t>(workers::threadCount());
    if (rowScratch_.size() < perSlot * slots) rowScratch_.resize(perSlot * slots);
    static_assert(sizeof(std::array<float, 3>) == 3 * sizeof(float), "normals are packed triples");
    workers::parallelFor(
        n * n,
        [&](int begin, int end, int slot) {
            float* dx = rowScratch_.data() + perSlot * slot;
            auto row = [&](int y, int z) { return values.data() + (static_cast<std::size_t>(z) * n + y) * n; };
            for (int r = begin; r < end; ++r) {
                if (wanted && !wanted[r]) continue;
                const int y = r % n, z = r / n;
                normalRow(n, row(y, z), row(std::max(y - 1, 0), z), row(std::min(y + 1, n - 1), z),
                          row(y, std::max(z - 1, 0)), row(y, std::min(z + 1, n - 1)), dx,
                          normals[static_cast<std::size_t>(r) * n].data());
            }
        },
        std::max(1, 4096 / n));
}

namespace {

// Corner k of a cube at (x, y, z) is (x + dx, y + dy, z + dz).
constexpr int kCorner[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
// Six tetrahedra sharing the diagonal from corner 0 to corner 6, by cube corner.
constexpr int kTetrahedra[6][4] = {{0, 5, 1, 6}, {0, 1, 2, 6}, {0, 2, 3, 6}, {0, 3, 7, 6}, {0, 7, 4, 6}, {0, 4, 5, 6}};
// Edges of a tetrahedron by local vertex.
constexpr int kEdges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
// Triangles (edge triples) per case; bit k of the case: the iso level above vertex k's value.
constexpr int kTriangles[16][7] = {
    {-1, -1, -1, -1, -1, -1, -1}, {0, 3, 2, -1, -1, -1, -1}, {0, 1, 4, -1, -1, -1, -1}, {1, 4, 2, 2, 4, 3, -1},
    {1, 2, 5, -1, -1, -1, -1},    {0, 3, 5, 0, 5, 1, -1},    {0, 2, 5, 0, 5, 4, -1},    {5, 4, 3, -1, -1, -1, -1},
    {3, 4, 5, -1, -1, -1, -1},    {0, 4, 5, 0, 5, 2, -1},    {0, 5, 1, 0, 3, 5, -1},    {1, 5, 2, -1, -1, -1, -1},
    {1, 3, 4, 1, 2, 3, -1},       {0, 4, 1, -1, -1, -1, -1}, {0, 2, 3, -1, -1, -1, -1}, {-1, -1, -1, -1, -1, -1, -1},
};
// The cube edges the tetrahedra use (12 edges, 6 face diagonals, the long diagonal), numbered
// in the order the tetrahedra first meet them, so that a vertex shared by several tetrahedra of
// a cube is computed once.
constexpr int kCubeEdgeCount = 19;
struct CubeEdges {
    int id[8][8];              // by corner pair, -1 for pairs no tetrahedron joins
    int corners[kCubeEdgeCount][2];  // lower corner first
};
constexpr CubeEdges kCubeEdges = [] {
    CubeEdges edges{};
    for (auto& row : edges.id)
        for (int& id : row) id = -1;
    int next = 0;
    for (const auto& t : kTetrahedra)
        for (const auto& e : kEdges) {
            const int a = std::min(t[e[0]], t[e[1]]), b = std::max(t[e[0]], t[e[1]]);
            if (edges.id[a][b] >= 0) continue;
            edges.id[a][b] = edges.id[b][a] = next;
            edges.corners[next][0] = a;
            edges.corners[next][1] = b;
            ++next;
        }
    return edges;
}();

// Everything a cube's corner code decides, worked out once for all 256 codes: the triangles of
// its six tetrahedra in order, as cube edges, and the edges they use.
struct CubeCase {
    std::uint32_t edgeMask = 0;
    std::uint8_t triangleCount = 0;
    std::uint8_t edges[6 * 2 * 3] = {};
};
constexpr auto kCubeCases = [] {
    std::array<CubeCase, 256> cases{};
    for (unsigned code = 0; code < 256; ++code) {
        CubeCase& c = cases[code];
        for (const auto& t : kTetrahedra) {
            unsigned tetraCase = 0;
            for (int k = 0; k < 4; ++k) tetraCase |= (code >> t[k] & 1u) << k;
            for (int j = 0; kTriangles[tetraCase][j] != -1; ++j) {
                const int* e = kEdges[kTriangles[tetraCase][j]];
                const int id = kCubeEdges.id[t[e[0]]][t[e[1]]];
                c.edges[c.triangleCount * 3 + j % 3] = static_cast<std::uint8_t>(id);
                c.edgeMask |= 1u << id;
                if (j % 3 == 2) ++c.triangleCount;
            }
        }
    }
    return cases;
}();

struct Vertex {
    float p[3], n[3], uv[2];  // uncentred position, normal, texture coordinates
};

// One cube's corners, gathered once for its six tetrahedra.
struct Cube {
    float value[8];
    float position[8][3];
    const std::array<float, 3>* normal[8];

    // The vertex where the surface crosses the edge from corner a to corner b.
    // inverseSize is 1 / (N - 1).
    Vertex onEdge(int a, int b, float isolevel, float inverseSize) const {
        Vertex v;
        const float va = value[a], vb = value[b];
        const float t = (isolevel - va) / (vb - va);
        const float tn = std::fabs(vb - va) > 1e-6f ? t : 0.5f;
        for (int i = 0; i < 3; ++i) {
            v.p[i] = position[a][i] + t * (position[b][i] - position[a][i]);
            v.n[i] = (*normal[a])[i] + tn * ((*normal[b])[i] - (*normal[a])[i]);
        }
        const float length = std::sqrt(v.n[0] * v.n[0] + v.n[1] * v.n[1] + v.n[2] * v.n[2]);
        // Multiplications by reciprocals instead of five divisions: the same up to rounding.
        if (length != 0.0f) {
            const float inverse = 1.0f / length;
            for (float& c : v.n) c *= inverse;
        }
        v.uv[0] = v.p[0] * inverseSize + 0.5f;  // 0.5 ... 1.5 across the grid
        v.uv[1] = v.p[2] * inverseSize + 0.5f;
        return v;
    }
};

}  // namespace

std::size_t FieldSystem::classifySlab(int z) {
    const int n = resolution;
    std::size_t vertices = 0;
    for (int y = 0; y + 1 < n; ++y) {
        const std::size_t r = static_cast<std::size_t>(z) * n + y;
        const std::int32_t counts[4] = {rowInside_[r], rowInside_[r + 1], rowInside_[r + n], rowInside_[r + n + 1]};
        const bool allOut = (counts[0] | counts[1] | counts[2] | counts[3]) == 0;
        const bool allIn = counts[0] == n && counts[1] == n && counts[2] == n && counts[3] == n;
        rowActive_[r] = !(allOut || allIn);
        if (!rowActive_[r]) continue;  // every cube of the row on one side

        const std::uint8_t* a = &inside_[r * n];  // grid row (y, z)
        const std::uint8_t* b = a + n;            // (y + 1, z)
        const std::uint8_t* c = a + static_cast<std::size_t>(n) * n;  // (y, z + 1)
        const std::uint8_t* d = c + n;                                 // (y + 1, z + 1)
        std::uint8_t* codes = &cubeCodes_[r * n];
        for (int x = 0; x + 1 < n; ++x)
            codes[x] = static_cast<std::uint8_t>(a[x] | a[x + 1] << 1 | b[x + 1] << 2 | b[x] << 3 | c[x] << 4 |
                                                 c[x + 1] << 5 | d[x + 1] << 6 | d[x] << 7);
        for (int x = 0; x + 1 < n; ++x) vertices += 3u * kCubeCases[codes[x]].triangleCount;
    }
    return vertices;
}

void FieldSystem::polygonizeSlab(int z, float isolevel, float* p, float* nn, float* uv) const {
    const int n = resolution;
    const float half = static_cast<float>(n - 1) * 0.5f;
    const float inverseSize = 1.0f / (2.0f * half);
    const float scale = 1.0f;
    const std::size_t offset[8] = {index(0, 0, 0), index(1, 0, 0), index(1, 1, 0), index(0, 1, 0),
                                   index(0, 0, 1), index(1, 0, 1), index(1, 1, 1), index(0, 1, 1)};
    for (int y = 0; y + 1 < n; ++y) {
        const std::size_t r = static_cast<std::size_t>(z) * n + y;
        if (!rowActive_[r]) continue;
        const std::uint8_t* codes = &cubeCodes_[r * n];
        for (int x = 0; x + 1 < n; ++x) {
            const unsigned code = codes[x];
            if (code == 0 || code == 0xFF) continue;  // no surface crosses this cube

            Cube cube;
            const std::size_t base = index(x, y, z);
            for (int k = 0; k < 8; ++k) {
                cube.value[k] = values[base + offset[k]];
                cube.normal[k] = &normals[base + offset[k]];
                cube.position[k][0] = static_cast<float>(x + kCorner[k][0]);
                cube.position[k][1] = static_cast<float>(y + kCorner[k][1]);
                cube.position[k][2] = static_cast<float>(z + kCorner[k][2]);
            }
            // The vertices first (independent of each other, so their square roots and divisions
            // overlap), always from the lower corner of the edge: the same floats whichever way
            // a tetrahedron runs along it.
            const CubeCase& cubeCase = kCubeCases[code];
            Vertex shared[kCubeEdgeCount];
            for (std::uint32_t mask = cubeCase.edgeMask; mask != 0; mask &= mask - 1) {
                const int id = std::countr_zero(mask);
                shared[id] = cube.onEdge(kCubeEdges.corners[id][0], kCubeEdges.corners[id][1], isolevel, inverseSize);
            }
            for (int t = 0; t < cubeCase.triangleCount; ++t) {
                const Vertex* v[3] = {&shared[cubeCase.edges[3 * t]], &shared[cubeCase.edges[3 * t + 1]],
                                      &shared[cubeCase.edges[3 * t + 2]]};
                // Counter-clockwise seen from where the gradient points (outside).
                const float e1[3] = {v[1]->p[0] - v[0]->p[0], v[1]->p[1] - v[0]->p[1], v[1]->p[2] - v[0]->p[2]};
                const float e2[3] = {v[2]->p[0] - v[0]->p[0], v[2]->p[1] - v[0]->p[1], v[2]->p[2] - v[0]->p[2]};
                const float cx = e1[1] * e2[2] - e1[2] * e2[1];
                const float cy = e1[2] * e2[0] - e1[0] * e2[2];
                const float cz = e1[0] * e2[1] - e1[1] * e2[0];
                if (cx * v[0]->n[0] + cy * v[0]->n[1] + cz * v[0]->n[2] < 0.0f) std::swap(v[1], v[2]);
                for (const Vertex* w : v) {
                    *p++ = (w->p[0] - half) * scale;
                    *p++ = (w->p[1] - half) * scale;
                    *p++ = (w->p[2] - half) * scale;
                    *nn++ = w->n[0];
                    *nn++ = w->n[1];
                    *nn++ = w->n[2];
                    if (uv) {
                        *uv++ = w->uv[0];
                        *uv++ = w->uv[1];
                    }
                }
            }
        }
    }
}

namespace {

// Resizes to `floats`; when the capacity must grow, to half as much again, so that a surface
// growing from frame to frame does not reallocate every frame.
void resizeGrowing(std::vector<float>& v, std::size_t floats) {
    if (v.capacity() < floats) v.reserve(floats + floats / 2);
    v.resize(floats);
}

// inside[x] = isolevel > row[x]; returns how many are.
FIELD_VECTOR_CLONES
int markInside(int n, const float* row, float isolevel, std::uint8_t* inside) {
    int count = 0;
    for (int x = 0; x < n; ++x) {
        const std::uint8_t in = isolevel > row[x] ? 1 : 0;
        inside[x] = in;
        count += in;
    }
    return count;
}

}  // namespace

void FieldSystem::polygonize(std::vector<float>& positions, std::vector<float>& normalsOut,
                             std::vector<float>& texCoords, int shadingMode, float isolevel) {
    extract(positions, normalsOut, texCoords, shadingMode, isolevel, false);
}

void FieldSystem::computeNormalsAndPolygonize(std::vector<float>& positions, std::vector<float>& normalsOut,
                                              std::vector<float>& texCoords, int shadingMode, float isolevel) {
    extract(positions, normalsOut, texCoords, shadingMode, isolevel, true);
}

void FieldSystem::extract(std::vector<float>& positions, std::vector<float>& normalsOut,
                          std::vector<float>& texCoords, int shadingMode, float isolevel, bool normalsNearSurface) {
    const int n = resolution;
    if (n < 2) {
        positions.clear();
        normalsOut.clear();
        texCoords.clear();
        return;
    }
    const bool withTexCoords = shadingMode != 1;

    const std::size_t points = static_cast<std::size_t>(n) * n * n;
    if (inside_.size() < points) inside_.resize(points);
    if (rowInside_.size() < static_cast<std::size_t>(n) * n) rowInside_.resize(static_cast<std::size_t>(n) * n);
    workers::parallelFor(
        n * n,
        [&](int begin, int end) {
            for (int r = begin; r < end; ++r) {
                const std::size_t first = static_cast<std::size_t>(r) * n;
                rowInside_[r] = markInside(n, values.data() + first, isolevel, inside_.data() + first);
            }
        },
        std::max(1, 4096 / n));

    // Which cubes the surface crosses and how many vertices each slab makes; then every slab
    // writes its triangles straight to its place in the output, in slab order.
    if (cubeCodes_.size() < points) cubeCodes_.resize(points);
    if (rowActive_.size() < static_cast<std::size_t>(n) * n) rowActive_.resize(static_cast<std::size_t>(n) * n);
    if (slabFirstVertex_.size() < static_cast<std::size_t>(n)) slabFirstVertex_.resize(n);
    workers::parallelFor(n - 1, [&](int begin, int end) {
        for (int z = begin; z < end; ++z) slabFirstVertex_[z] = classifySlab(z);
    });
    std::size_t total = 0;
    for (int z = 0; z + 1 < n; ++z) total += std::exchange(slabFirstVertex_[z], total);

    if (normalsNearSurface) {
        // The grid rows at the corners of the crossed cube rows are the only ones read.
        if (rowWanted_.size() < static_cast<std::size_t>(n) * n) rowWanted_.resize(static_cast<std::size_t>(n) * n);
        auto active = [&](int y, int z) { return y >= 0 && z >= 0 && y + 1 < n && z + 1 < n && rowActive_[z * n + y]; };
        workers::parallelFor(n * n, [&](int begin, int end) {
            for (int r = begin; r < end; ++r) {
                const int y = r % n, z = r / n;
                rowWanted_[r] = active(y, z) || active(y - 1, z) || active(y, z - 1) || active(y - 1, z - 1);
            }
        }, std::max(1, 4096 / n));
        computeNormalRows(rowWanted_.data());
    }

    // The arrays are resized, not emptied first: only a part beyond the old size is filled twice.
    resizeGrowing(positions, total * 3);
    resizeGrowing(normalsOut, total * 3);
    resizeGrowing(texCoords, withTexCoords ? total * 2 : 0);
    workers::parallelFor(n - 1, [&](int begin, int end) {
        for (int z = begin; z < end; ++z) {
            const std::size_t first = slabFirstVertex_[z];
            polygonizeSlab(z, isolevel, positions.data() + first * 3, normalsOut.data() + first * 3,
                           withTexCoords ? texCoords.data() + first * 2 : nullptr);
        }
    });
}
