// FieldSystem: field, operation and cross-fade values at chosen grid points against the
// formulas written out here (through the callables and through row sampling), the metaball
// paths, the normals, and polygonisation: hand-made one-cube cases, a closed sphere, and the
// fast path against the straightforward one of support/MarchingTetraReference.h.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "base/Workers.h"
#include "effects/FieldSystem.h"
#include "support/MarchingTetraReference.h"

namespace {

float sampled(FieldSystem& fs, int x, int y, int z) {
    fs.sampleField();
    return fs.values[fs.index(x, y, z)];
}

// Both ways of evaluating the composed field at (x, y, z) must give `expected`.
void expectComposed(FieldSystem& fs, int x, int y, int z, float expected, const char* what) {
    const float tolerance = 1e-5f * std::max(1.0f, std::fabs(expected));
    EXPECT_NEAR(fs.composedField(x, y, z), expected, tolerance) << what;
    EXPECT_NEAR(sampled(fs, x, y, z), expected, tolerance) << what << " (sampled)";
}

TEST(FieldSystemTest, LibraryFieldsFollowTheirFormulasAtTheCurrentResolution) {
    FieldSystem fs;
    fs.init(20);
    EXPECT_FLOAT_EQ(fs.getFieldFunc(Metaballs)(3, 4, 5), 1.0f);  // no ball has weight yet
    fs.animateMetaballs(1.3f, 2.5f, 0.9f);
    const float s = 0.9f * 1.3f;
    for (int i : {0, 16}) {
        EXPECT_NEAR(fs.ballPositions[i][0], 16 + 8 * std::sin((0.3f * i + 0.9f) * s), 1e-5);
        EXPECT_NEAR(fs.ballPositions[i][1], 16 + 8 * std::cos((0.2f * i + 1.1f) * s), 1e-5);
        EXPECT_NEAR(fs.ballPositions[i][2], 16 + 8 * std::sin((0.1f * i + 1.5f) * s), 1e-5);
        EXPECT_FLOAT_EQ(fs.ballWeights[i], 6.25f);
    }
    const int x = 13, y = 4, z = 17;
    const float dx = x - 10.0f, dy = y - 10.0f, dz = z - 10.0f;  // centre N / 2 = 10
    float balls = 0;
    for (int i = 0; i < 17; ++i) {
        const auto& b = fs.ballPositions[i];
        balls += 6.25f / ((x - b[0]) * (x - b[0]) + (y - b[1]) * (y - b[1]) + (z - b[2]) * (z - b[2]) + 1e-6f);
    }
    const float expected[6] = {
        std::sqrt(dx * dx + dy * dy + dz * dz) - 16.0f,                             // sphere, radius fixed
        1.0f - balls,                                                               // metaballs
        std::max({std::fabs(dx) - 6.0f, std::fabs(dy) - 6.0f, std::fabs(dz) - 6.0f}),  // box, 0.3 N
        std::sqrt(dx * dx + std::pow(std::sqrt(dz * dz + dy * dy) - 9.6f, 2.0f)) - 3.2f,  // torus, fixed
        dy,                                                                         // plane
        1000.0f,                                                                    // empty
    };
    for (int id = 0; id < 6; ++id) {
        fs.configureOperation(fs.getFieldFunc(FieldID(id)), {}, Union, FieldID(id), Empty);
        expectComposed(fs, x, y, z, expected[id], ("field " + std::to_string(id)).c_str());
    }
    EXPECT_FALSE(fs.getFieldFunc(FieldID(6)));

    fs.init(64);  // the sphere keeps its radius in cells around the new centre
    fs.configureOperation(fs.getFieldFunc(Sphere), {}, Union, Sphere, Empty);
    expectComposed(fs, 48, 32, 32, 0.0f, "sphere at 64");
}

TEST(FieldSystemTest, OperationsAndTheirEmptyOperandRules) {
    FieldSystem fs;
    fs.init(16);
    const int x = 3, y = 9, z = 12;
    const float fa = fs.getFieldFunc(Sphere)(x, y, z), fb = fs.getFieldFunc(Plane)(x, y, z);
    auto smooth = [](float a, float b) {
        const float h = std::clamp(0.5f + 0.5f * (b - a) / 6.0f, 0.0f, 1.0f);
        return h * a + (1 - h) * b - 6 * h * (1 - h);
    };
    const struct {
        FieldOp op;
        float withB, withoutB;
    } cases[] = {
        {Union, std::min(fa, fb), fa},
        {Intersection, std::max(fa, fb), fa},
        {Subtraction, std::max(fa, -fb), std::max(fa, 0.0f)},
        {SmoothUnion, smooth(fa, fb), smooth(fa, fa)},
        {Displace, fa + 2 * std::sin(0.5f * fb), fa},
    };
    for (const auto& c : cases) {
        fs.configureOperation(fs.getFieldFunc(Sphere), fs.getFieldFunc(Plane), c.op, Sphere, Plane);
        EXPECT_EQ(fs.primaryId, Sphere);
        EXPECT_EQ(fs.secondaryId, Plane);
        expectComposed(fs, x, y, z, c.withB, "with b");
        fs.configureOperation(fs.getFieldFunc(Sphere), {}, c.op, Sphere, Empty);
        expectComposed(fs, x, y, z, c.withoutB, "without b");
    }
    fs.configureOperation({}, fs.getFieldFunc(Plane), Union, Empty, Plane);
    expectComposed(fs, x, y, z, 0.0f, "no first operand");
    fs.configureOperation(fs.getFieldFunc(Sphere), fs.getFieldFunc(Plane), FieldOp(9), Sphere, Plane);
    expectComposed(fs, x, y, z, fa, "unknown operation");
}

TEST(FieldSystemTest, MorphFadesBetweenTheTwoCombinations) {
    FieldSystem fs;
    fs.init(16);
    const int x = 5, y = 11, z = 2;
    auto f = [&](FieldID id) { return fs.getFieldFunc(id); };
    const float f1 = std::max(f(Box)(x, y, z), f(Torus)(x, y, z));
    const float f2 = std::min(f(Sphere)(x, y, z), f(Plane)(x, y, z));
    for (float t : {0.0f, 0.3f, 1.0f}) {
        fs.configureMorph(f(Box), f(Torus), Intersection, Box, Torus, f(Sphere), f(Plane), Union, Sphere, Plane, t);
        expectComposed(fs, x, y, z, (1 - t) * f1 + t * f2, "morph");
        EXPECT_EQ(fs.primaryId, Empty);
        EXPECT_EQ(fs.secondaryId, Empty);
    }
    // An empty side fades against the constant 1000; a metaball id anywhere sets primaryId.
    fs.configureMorph({}, f(Torus), Union, Sphere, Torus, f(Sphere), {}, FieldOp(-1), Metaballs, Empty, 0.25f);
    expectComposed(fs, x, y, z, 0.75f * 1000.0f + 0.25f * f(Sphere)(x, y, z), "empty side");
    EXPECT_EQ(fs.primaryId, Metaballs);
}

TEST(FieldSystemTest, NormalsAreClampedCentralDifferencesOrUp) {
    FieldSystem fs;
    const int n = 6;
    fs.init(n);
    auto g = [](int x, int y, int z) { return float(x * x - 3 * y + y * z * z); };
    fs.configureOperation(g, {}, Union, Empty, Empty);
    fs.sampleField();
    fs.computeNormals();
    for (auto [x, y, z] : {std::array{2, 3, 1}, {0, n - 1, 4}, {n - 1, 0, 0}}) {
        float d[3] = {g(std::min(x + 1, n - 1), y, z) - g(std::max(x - 1, 0), y, z),
                      g(x, std::min(y + 1, n - 1), z) - g(x, std::max(y - 1, 0), z),
                      g(x, y, std::min(z + 1, n - 1)) - g(x, y, std::max(z - 1, 0))};
        const float len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(fs.normals[fs.index(x, y, z)][i], d[i] / len, 1e-6) << x << y << z;
    }
    fs.configureOperation(fs.getFieldFunc(Empty), {}, Union, Empty, Empty);
    fs.sampleField();
    fs.computeNormals();
    EXPECT_EQ(fs.normals[fs.index(2, 3, 4)], (std::array<float, 3>{0, 1, 0}));
}

// ---- Polygonisation ----

reference::Mesh extract(FieldSystem& fs, const ScalarField& field, float iso, int mode = 3) {
    fs.configureOperation(field, {}, Union, Empty, Empty);
    fs.sampleField();
    fs.computeNormals();
    reference::Mesh m;
    fs.polygonize(m.positions, m.normals, m.texCoords, mode, iso);
    return m;
}

TEST(FieldSystemTest, OneCornerInsideGivesSixTrianglesAroundItFacingOutwards) {
    FieldSystem fs;
    fs.init(2);
    reference::Mesh m = extract(fs, [](int x, int y, int z) { return x + y + z == 0 ? -1.0f : 1.0f; }, 0.0f);
    ASSERT_EQ(m.positions.size(), 6u * 9u);
    ASSERT_EQ(m.texCoords.size(), 6u * 6u);
    for (std::size_t t = 0; t < 6; ++t) {
        const float* p = &m.positions[t * 9];
        bool hasDiagonal = false;
        for (int k = 0; k < 3; ++k) {
            // Every vertex is half-way along an edge from corner 0 (at -0.5 after centring).
            for (int i = 0; i < 3; ++i) EXPECT_TRUE(p[3 * k + i] == -0.5f || p[3 * k + i] == 0.0f);
            EXPECT_NE(p[3 * k] + p[3 * k + 1] + p[3 * k + 2], -1.5f);
            hasDiagonal |= p[3 * k] == 0 && p[3 * k + 1] == 0 && p[3 * k + 2] == 0;
            EXPECT_EQ(m.texCoords[t * 6 + 2 * k], p[3 * k] + 1.0f);  // u = x / (N - 1) + 0.5
        }
        EXPECT_TRUE(hasDiagonal);
        // Counter-clockwise seen from outside, away from corner 0.
        const float u[3] = {p[3] - p[0], p[4] - p[1], p[5] - p[2]}, v[3] = {p[6] - p[0], p[7] - p[1], p[8] - p[2]};
        EXPECT_GT((u[1] * v[2] - u[2] * v[1]) + (u[2] * v[0] - u[0] * v[2]) + (u[0] * v[1] - u[1] * v[0]), 0.0f);
    }
    // Corner 0's normal is (1, 1, 1)/sqrt 3, corner 6 has no gradient and takes (0, 1, 0); the
    // vertex half-way between them gets the normalised mean.
    const float c = 1.0f / std::sqrt(3.0f), len = std::sqrt(2 * 0.25f * c * c + std::pow(0.5f * c + 0.5f, 2.0f));
    for (std::size_t k = 0; k < m.positions.size(); k += 3)
        if (m.positions[k] == 0 && m.positions[k + 1] == 0 && m.positions[k + 2] == 0) {
            EXPECT_NEAR(m.normals[k], 0.5f * c / len, 1e-6);
            EXPECT_NEAR(m.normals[k + 1], (0.5f * c + 0.5f) / len, 1e-6);
        }

    // A corner exactly at the iso level is outside; a level beyond every value leaves no surface.
    EXPECT_TRUE(extract(fs, [](int x, int y, int z) { return x + y + z == 0 ? 0.0f : 1.0f; }, 0.0f).positions.empty());
    fs.init(16);
    for (float iso : {-20.0f, 1.0e4f}) EXPECT_TRUE(extract(fs, fs.getFieldFunc(Sphere), iso).positions.empty()) << iso;
    EXPECT_TRUE(extract(fs, fs.getFieldFunc(Sphere), 0.0f, 1).texCoords.empty());
}

// At 32 points the sphere of radius 16 around (16, 16, 16) reaches past the last grid point
// (31) and is cut open there; at 36 it lies inside the grid and is closed.
TEST(FieldSystemTest, SphereHasRadius16AndIsClosedWhenTheGridHoldsIt) {
    for (int n : {32, 36}) {
        FieldSystem fs;
        fs.init(n);
        reference::Mesh m = extract(fs, fs.getFieldFunc(Sphere), 0.0f);
        ASSERT_GT(m.positions.size(), 9000u);
        // A closed surface: its area vectors cancel, and the volume it encloses is the same
        // seen from any point (positive: the triangles face outwards).
        double area[3] = {0, 0, 0}, volume0 = 0, volume1 = 0;
        for (std::size_t t = 0; t < m.positions.size(); t += 9) {
            double p[3][3];
            for (int k = 0; k < 9; ++k) p[k / 3][k % 3] = m.positions[t + k] - 0.5;  // centre n/2 - (n-1)/2
            double c[3] = {p[0][1] * (p[1][2] - p[2][2]) + p[1][1] * (p[2][2] - p[0][2]) + p[2][1] * (p[0][2] - p[1][2]),
                           p[0][2] * (p[1][0] - p[2][0]) + p[1][2] * (p[2][0] - p[0][0]) + p[2][2] * (p[0][0] - p[1][0]),
                           p[0][0] * (p[1][1] - p[2][1]) + p[1][0] * (p[2][1] - p[0][1]) + p[2][0] * (p[0][1] - p[1][1])};
            for (int i = 0; i < 3; ++i) area[i] += c[i] / 2;
            volume0 += (p[0][0] * c[0] + p[0][1] * c[1] + p[0][2] * c[2]) / 6;
            volume1 += ((p[0][0] - 5) * c[0] + (p[0][1] + 3) * c[1] + p[0][2] * c[2]) / 6;
            for (int k = 0; k < 3; ++k) ASSERT_NEAR(std::hypot(p[k][0], p[k][1], p[k][2]), 16.0, 0.05);
        }
        if (n == 32) {
            EXPECT_LT(area[0], -90.0);  // the cap beyond x = 31 is missing: pi (16^2 - 15^2)
            continue;
        }
        for (double a : area) EXPECT_NEAR(a, 0.0, 1e-2);
        EXPECT_NEAR(volume0, volume1, 1e-2);
        EXPECT_NEAR(volume0, 4.0 / 3.0 * M_PI * 16 * 16 * 16, 0.01 * 17157);
    }
}

void expectSameMesh(const reference::Mesh& a, const reference::Mesh& b) {
    ASSERT_EQ(a.positions.size(), b.positions.size());
    ASSERT_EQ(a.normals.size(), b.normals.size());
    ASSERT_EQ(a.texCoords.size(), b.texCoords.size());
    auto close = [](const std::vector<float>& p, const std::vector<float>& q) {
        for (std::size_t i = 0; i < p.size(); ++i)
            if (!(std::fabs(p[i] - q[i]) <= 1e-5f * std::max(1.0f, std::fabs(q[i])))) return false;
        return true;
    };
    EXPECT_TRUE(close(a.positions, b.positions));
    EXPECT_TRUE(close(a.normals, b.normals));
    EXPECT_TRUE(close(a.texCoords, b.texCoords));
}

// Random fields (called per point) and the library's composed fields (sampled by rows) give the
// straightforward path's triangles, in slab order, whatever the number of threads.
TEST(FieldSystemTest, FastPathGivesTheStraightforwardTriangles) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> table(24 * 24 * 24);
    for (float& v : table) v = uniform(random);
    ScalarField noise = [&](int x, int y, int z) { return table[x + 24 * (y + 24 * z)]; };

    FieldSystem fs;
    const struct {
        int n;
        int mode;
        float iso;
        bool library;
    } cases[] = {{24, 3, 0.1f, false}, {17, 1, -0.3f, false}, {40, 4, 0.0f, true}, {33, 3, 0.5f, true}};
    for (const auto& c : cases) {
        fs.init(c.n);
        fs.animateMetaballs(2.0f, 3.0f, 0.75f);
        if (c.library)
            fs.configureMorph(fs.getFieldFunc(Sphere), fs.getFieldFunc(Metaballs), SmoothUnion, Sphere, Metaballs,
                              fs.getFieldFunc(Torus), fs.getFieldFunc(Box), Subtraction, Torus, Box, c.iso == 0 ? 0.4f : 0.0f);
        else
            fs.configureOperation(noise, {}, Union, Empty, Empty);
        reference::Mesh expected;
        std::vector<float> values;
        std::vector<reference::Normal> normals;
        reference::sampleField(fs.composedField, c.n, values);
        reference::computeNormals(values, c.n, normals);
        reference::polygonize(values, normals, c.n, c.iso, c.mode, expected);
        ASSERT_GT(expected.positions.size(), 0u);
        for (int threads : {1, 2}) {
            workers::setThreadCount(threads);
            reference::Mesh fast;
            fs.sampleField();
            fs.computeNormals();
            fs.polygonize(fast.positions, fast.normals, fast.texCoords, c.mode, c.iso);
            SCOPED_TRACE(testing::Message() << "n " << c.n << ", threads " << threads);
            expectSameMesh(fast, expected);
        }
        workers::setThreadCount(0);
    }
}

}  // namespace
