// FieldSystem: field, operation and cross-fade values at chosen grid points against the
// formulas written out here (through the callables and through row sampling), the metaball
// paths, and polygonisation: a closed sphere, and values, normals and triangles against the
// straightforward path of baselines/MarchingTetraReference.h.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "base/Workers.h"
#include "effects/FieldSystem.h"
#include "baselines/MarchingTetraReference.h"

namespace {

// The composed field at (x, y, z), called and sampled, must be `expected`.
void expectComposed(FieldSystem& fs, int x, int y, int z, float expected, const std::string& what) {
    const float tolerance = 1e-5f * std::max(1.0f, std::fabs(expected));
    EXPECT_NEAR(fs.composedField(x, y, z), expected, tolerance) << what;
    fs.sampleField();
    EXPECT_NEAR(fs.values[fs.index(x, y, z)], expected, tolerance) << what << " (sampled)";
}

TEST(FieldSystemTest, LibraryFieldsAndMetaballPaths) {
    FieldSystem fs;
    fs.init(20);
    EXPECT_FLOAT_EQ(fs.getFieldFunc(Metaballs)(3, 4, 5), 1.0f);  // no ball has weight yet
    fs.animateMetaballs(1.3f, 2.5f, 0.9f);
    const float s = 0.9f * 1.3f;
    EXPECT_NEAR(fs.ballPositions[16][0], 16 + 8 * std::sin((0.3f * 16 + 0.9f) * s), 1e-5);
    EXPECT_NEAR(fs.ballPositions[16][1], 16 + 8 * std::cos((0.2f * 16 + 1.1f) * s), 1e-5);
    EXPECT_NEAR(fs.ballPositions[16][2], 16 + 8 * std::sin((0.1f * 16 + 1.5f) * s), 1e-5);
    EXPECT_FLOAT_EQ(fs.ballWeights[0], 6.25f);

    const int x = 13, y = 4, z = 17;
    const float dx = x - 10.0f, dy = y - 10.0f, dz = z - 10.0f;  // centre N / 2 = 10
    float balls = 0;
    for (const auto& b : fs.ballPositions)
        balls += 6.25f / ((x - b[0]) * (x - b[0]) + (y - b[1]) * (y - b[1]) + (z - b[2]) * (z - b[2]) + 1e-6f);
    const float expected[6] = {
        std::sqrt(dx * dx + dy * dy + dz * dz) - 16.0f,                                   // sphere, radius fixed
        1.0f - balls,                                                                     // metaballs
        std::max({std::fabs(dx) - 6.0f, std::fabs(dy) - 6.0f, std::fabs(dz) - 6.0f}),     // box, 0.3 N
        std::sqrt(dx * dx + std::pow(std::sqrt(dz * dz + dy * dy) - 9.6f, 2.0f)) - 3.2f,  // torus, fixed
        dy, 1000.0f,                                                                      // plane, empty
    };
    for (int id = 0; id < 6; ++id) {
        fs.configureOperation(fs.getFieldFunc(FieldID(id)), {}, Union, FieldID(id), Empty);
        expectComposed(fs, x, y, z, expected[id], "field " + std::to_string(id));
    }
    EXPECT_FALSE(fs.getFieldFunc(FieldID(6)));
    fs.init(64);  // the sphere keeps its radius in cells around the new centre
    fs.configureOperation(fs.getFieldFunc(Sphere), {}, Union, Sphere, Empty);
    expectComposed(fs, 48, 32, 32, 0.0f, "sphere at 64");
}

TEST(FieldSystemTest, OperationsEmptyOperandsAndMorphs) {
    FieldSystem fs;
    fs.init(16);
    const int x = 3, y = 9, z = 12;
    auto f = [&](FieldID id) { return fs.getFieldFunc(id); };
    const float fa = f(Sphere)(x, y, z), fb = f(Plane)(x, y, z);
    auto smooth = [](float a, float b) {
        const float h = std::clamp(0.5f + 0.5f * (b - a) / 6.0f, 0.0f, 1.0f);
        return h * a + (1 - h) * b - 6 * h * (1 - h);
    };
    const struct {
        FieldOp op;
        float withB, withoutB;
    } cases[] = {{Union, std::min(fa, fb), fa},
                 {Intersection, std::max(fa, fb), fa},
                 {Subtraction, std::max(fa, -fb), std::max(fa, 0.0f)},
                 {SmoothUnion, smooth(fa, fb), smooth(fa, fa)},
                 {Displace, fa + 2 * std::sin(0.5f * fb), fa}};
    for (const auto& c : cases) {
        fs.configureOperation(f(Sphere), f(Plane), c.op, Sphere, Plane);
        EXPECT_TRUE(fs.primaryId == Sphere && fs.secondaryId == Plane && fs.operation == c.op);
        expectComposed(fs, x, y, z, c.withB, "with b, op " + std::to_string(c.op));
        fs.configureOperation(f(Sphere), {}, c.op, Sphere, Empty);
        expectComposed(fs, x, y, z, c.withoutB, "without b, op " + std::to_string(c.op));
    }
    fs.configureOperation({}, f(Plane), Union, Empty, Plane);
    expectComposed(fs, x, y, z, 0.0f, "no first operand");
    fs.configureOperation(f(Sphere), f(Plane), FieldOp(9), Sphere, Plane);
    expectComposed(fs, x, y, z, fa, "unknown operation");

    const float f1 = std::max(f(Box)(x, y, z), f(Torus)(x, y, z)), f2 = std::min(fa, fb);
    for (float t : {0.0f, 0.3f, 1.0f}) {
        fs.configureMorph(f(Box), f(Torus), Intersection, Box, Torus, f(Sphere), f(Plane), Union, Sphere, Plane, t);
        expectComposed(fs, x, y, z, (1 - t) * f1 + t * f2, "morph");
        EXPECT_TRUE(fs.primaryId == Empty && fs.secondaryId == Empty);
    }
    // An empty side fades against the constant 1000; a metaball id anywhere sets primaryId.
    fs.configureMorph({}, f(Torus), Union, Sphere, Torus, f(Sphere), {}, FieldOp(-1), Metaballs, Empty, 0.25f);
    expectComposed(fs, x, y, z, 0.75f * 1000.0f + 0.25f * fa, "empty side");
    EXPECT_EQ(fs.primaryId, Metaballs);
}

reference::Mesh extract(FieldSystem& fs, const ScalarField& field, float iso, int mode = 3) {
    fs.configureOperation(field, {}, Union, Empty, Empty);
    fs.sampleField();
    fs.computeNormals();
    reference::Mesh m;
    fs.polygonize(m.positions, m.normals, m.texCoords, mode, iso);
    return m;
}

// At 32 points the sphere of radius 16 around (16, 16, 16) reaches past the last grid point
// (31) and is cut open there; at 36 it lies inside the grid and is closed: its area vectors
// cancel, and the volume it encloses is the same seen from any point (and positive: the
// triangles face outwards).
TEST(FieldSystemTest, SphereHasRadius16AndIsClosedWhenTheGridHoldsIt) {
    for (int n : {32, 36}) {
        FieldSystem fs;
        fs.init(n);
        reference::Mesh m = extract(fs, fs.getFieldFunc(Sphere), 0.0f);
        ASSERT_GT(m.positions.size(), 9000u);
        double area[3] = {0, 0, 0}, volume = 0, volumeFromElsewhere = 0;
        for (std::size_t t = 0; t < m.positions.size(); t += 9) {
            double p[3][3];
            for (int k = 0; k < 9; ++k) p[k / 3][k % 3] = m.positions[t + k] - 0.5;  // centre n/2 - (n-1)/2
            const double u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
            const double v[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
            const double c[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            for (int i = 0; i < 3; ++i) area[i] += c[i] / 2;
            volume += (p[0][0] * c[0] + p[0][1] * c[1] + p[0][2] * c[2]) / 6;
            volumeFromElsewhere += ((p[0][0] - 5) * c[0] + (p[0][1] + 3) * c[1] + p[0][2] * c[2]) / 6;
            for (const auto& q : p) ASSERT_NEAR(std::hypot(q[0], q[1], q[2]), 16.0, 0.05);
        }
        if (n == 32) {
            EXPECT_LT(area[0], -90.0);  // the cap beyond x = 31 is missing: pi (16^2 - 15^2)
            continue;
        }
        for (double a : area) EXPECT_NEAR(a, 0.0, 1e-2);
        EXPECT_NEAR(volume, volumeFromElsewhere, 1e-2);
        EXPECT_NEAR(volume, 4.0 / 3.0 * M_PI * 16 * 16 * 16, 0.01 * 17157);
        for (float iso : {-20.0f, 1.0e4f}) EXPECT_TRUE(extract(fs, fs.getFieldFunc(Sphere), iso).positions.empty()) << iso;
    }
    FieldSystem fs;  // a corner exactly at the iso level is outside
    fs.init(2);
    EXPECT_TRUE(extract(fs, [](int x, int y, int z) { return x + y + z == 0 ? 0.0f : 1.0f; }, 0.0f).positions.empty());
}

// Random fields (called per point) and the library's fields (sampled by rows) give the
// straightforward path's values, normals and triangles (in grid order), on one and two threads,
// with all normals or only those the surface needs.
TEST(FieldSystemTest, FastPathGivesTheStraightforwardTriangles) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> table(24 * 24 * 24);
    for (float& v : table) v = uniform(random);
    const ScalarField noise = [&](int x, int y, int z) { return table[x + 24 * (y + 24 * z)]; };
    const struct {
        int n, mode;
        float iso, morph;  // morph < 0: the noise
    } cases[] = {{24, 3, 0.1f, -1}, {17, 1, -0.3f, -1}, {40, 4, 0.0f, 0.4f}, {33, 3, 0.5f, 0.0f}};
    for (const auto& c : cases) {
        FieldSystem fs;
        fs.init(c.n);
        fs.animateMetaballs(2.0f, 3.0f, 0.75f);
        auto f = [&](FieldID id) { return fs.getFieldFunc(id); };
        if (c.morph < 0) fs.configureOperation(noise, {}, Union, Empty, Empty);
        else fs.configureMorph(f(Sphere), f(Metaballs), SmoothUnion, Sphere, Metaballs, f(Torus), f(Box), Subtraction, Torus, Box, c.morph);
        reference::Mesh expected, fast;
        std::vector<float> values;
        std::vector<reference::Normal> normals;
        reference::sampleField(fs.composedField, c.n, values);
        reference::computeNormals(values, c.n, normals);
        reference::polygonize(values, normals, c.n, c.iso, c.mode, expected);
        ASSERT_GT(expected.positions.size(), 0u);
        for (int threads : {1, 2}) {
            workers::setThreadCount(threads);
            fs.sampleField();
            ASSERT_EQ(fs.values, values);
            if (threads == 1) {
                fs.computeNormals();  // at every point (clamped borders, (0, 1, 0))
                for (std::size_t i = 0; i < normals.size(); ++i)
                    for (int k = 0; k < 3; ++k) ASSERT_NEAR(fs.normals[i][k], normals[i][k], 1e-6f) << i;
                fs.polygonize(fast.positions, fast.normals, fast.texCoords, c.mode, c.iso);
            } else {  // the normals the surface needs, made along the way
                std::fill(fs.normals.begin(), fs.normals.end(), std::array<float, 3>{});
                fs.computeNormalsAndPolygonize(fast.positions, fast.normals, fast.texCoords, c.mode, c.iso);
            }
            for (auto [a, b] : {std::pair{&fast.positions, &expected.positions}, {&fast.normals, &expected.normals},
                                {&fast.texCoords, &expected.texCoords}}) {
                ASSERT_EQ(a->size(), b->size()) << "n " << c.n << ", threads " << threads;
                for (std::size_t i = 0; i < a->size(); ++i)
                    ASSERT_NEAR((*a)[i], (*b)[i], 1e-5f * std::max(1.0f, std::fabs((*b)[i]))) << "n " << c.n << " at " << i;
            }
        }
        workers::setThreadCount(0);
    }
}

}  // namespace
