// Basic3DEffect: pixels of rendered frames (lit default sphere, flat unlit mode, texturing by
// store position, the shapes' outlines, the football's greys, shape 7, the fixed view of
// ignoreCamera), GL state restored after every draw, the shared football mesh (unit vertices,
// its two greys, a closed outward-facing surface).
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cmath>
#include <set>

#include "core/TextureManager.h"
#include "effects/Basic3DEffect.h"
#include "support/GlFixture.h"
#include "support/GlState.h"
#include "support/EffectHelpers.h"

namespace {

class Basic3DEffectTest : public GlFixture {
protected:
    // Eye at the origin looking down -z, the object 4 units in front; an earlier effect left the
    // projection matrix selected.
    void SetUp() override {
        GlFixture::SetUp();
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(0, 0, -4);
        glMatrixMode(GL_PROJECTION);
        gluPerspective(65.0, 1.0, 0.1, 250.0);
    }
    // Every draw leaves the GL state as it found it.
    std::vector<std::uint8_t> drawn(Keys keys) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const GlState before = GlState::capture();
        effectWith<Basic3DEffect>(keys)->render();
        EXPECT_TRUE(GlState::capture() == before) << GlState::capture().differences(before);
        return frame();
    }
    static bool isBlack(const std::array<std::uint8_t, 4>& p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }
    static bool isGrey(const std::array<std::uint8_t, 4>& p) { return p[1] > 100 && p[0] == p[1] && p[1] == p[2]; }
};

// The ray through the centre pixel's middle hits the unit sphere at (0, 0, -4) where the grey
// is the 0.2 global ambient plus the diffuse term of the light from (1, 1, 1).
TEST_F(Basic3DEffectTest, DefaultIsAWhiteLitSphereBrightInTheCentreBlackInTheCorners) {
    drawn({});
    const double d = (32.5 / 32.0 - 1.0) * std::tan(65.0 * M_PI / 360.0);  // ray (d, d, -1)
    const double a = 2 * d * d + 1, b = -8.0, c = 15.0, t = (-b - std::sqrt(b * b - 4 * a * c)) / (2 * a);
    EXPECT_TRUE(isGrey(pixel(32, 32)));
    EXPECT_NEAR(pixel(32, 32)[0], 255 * (0.2 + (d * t + d * t + (4.0 - t)) / std::sqrt(3.0)), 3);
    EXPECT_GT(pixel(38, 38)[0], pixel(26, 26)[0]);  // the side towards the light is brighter
    for (auto [x, y] : {std::pair{0, 0}, {63, 0}, {0, 63}, {63, 63}}) EXPECT_TRUE(isBlack(pixel(x, y)));
}

// Mode 4 textures with the store's entry at textureID; past either end of the one-name list,
// or in another mode, the sphere is grey or white, untextured.
TEST_F(Basic3DEffectTest, TextureIsChosenByStorePositionOnlyInModeFour) {
    std::vector<std::uint8_t> red(4 * 4 * 4, 0);
    for (std::size_t i = 0; i < red.size(); i += 4) red[i] = red[i + 3] = 255;
    ASSERT_NE(TextureManager::instance().updateDynamicTexture("*DynamicTest_red*", 4, 4, red.data()), nullptr);
    drawn({});
    EXPECT_GT(pixel(32, 32)[0], 100);
    EXPECT_EQ(pixel(32, 32)[1], 0);
    for (auto keys : {std::pair{"textureID", 1.0f}, {"textureID", -1.0f}, {"shadingMode", 3.0f},
                      {"shadingMode", 2.0f}, {"shadingMode", 0.0f}}) {
        drawn({keys});
        EXPECT_TRUE(isGrey(pixel(32, 32))) << keys.first << " " << keys.second;
    }
}

// At 4 units a unit sphere covers about 13 pixels of radius, the cube (edge 1) about 7, the
// cylinder's near cap (z = 1) about 17; the torus has a hole and its ring at radius 1. A light
// left on by an earlier Lighting must not apply in mode 0.
TEST_F(Basic3DEffectTest, EachShapeCoversItsOutlineUnlitInModeZeroAndShapeSevenIsTheSphere) {
    glEnable(GL_LIGHTING);
    const struct { float shape; int x, y; bool covered; } cases[] = {
        {0, 32, 32, true},  {0, 42, 32, true}, {0, 47, 32, false}, {3, 42, 32, false}, {3, 36, 36, true},
        {1, 47, 32, true}, {2, 32, 32, false}, {2, 43, 32, true}};
    for (const auto& c : cases) {
        drawn({{"shape", c.shape}, {"shadingMode", 0}, {"color.g", 0.5f}, {"color.b", 0.0f}});
        const auto p = pixel(c.x, c.y);
        const bool orange = p[0] == 255 && std::abs(p[1] - 128) <= 1 && p[2] == 0;
        EXPECT_TRUE(c.covered ? orange : isBlack(p)) << "shape " << c.shape << " at " << c.x << "," << c.y;
    }
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    drawn({{"shape", 4}, {"shadingMode", 0}, {"color.g", 0.0f}, {"color.b", 0.0f}});
    const int red = pixel(32, 32)[0];  // the football's greys 0.9 and 0.15 times the colour
    EXPECT_TRUE(std::abs(red - 230) <= 1 || std::abs(red - 38) <= 1) << red;
    const auto seventh = drawn({{"shape", 7}, {"rot.x", 30}});
    EXPECT_EQ(seventh, drawn({{"shape", 0}, {"rot.x", 30}}));
    EXPECT_NE(seventh, drawn({{"shape", 3}, {"rot.x", 30}}));
}

// The fixed view: 65 degrees at the viewport's aspect, 32 units in front of the eye, whatever
// the camera set before.
TEST_F(Basic3DEffectTest, IgnoreCameraDrawsInAFixedViewAtTheViewportsAspect) {
    glViewport(0, 0, 32, 64);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(50, 50, 50, 100, 50, 50, 0, 1, 0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(30.0, 2.0, 1.0, 50.0);
    const auto own = drawn({{"ignoreCamera", 1}, {"shadingMode", 0}, {"scale.x", 8}, {"scale.y", 8}, {"scale.z", 8}});
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(65.0, 0.5, 0.1, 250.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -32);
    EXPECT_EQ(own, drawn({{"shadingMode", 0}, {"scale.x", 8}, {"scale.y", 8}, {"scale.z", 8}}));
    EXPECT_FALSE(isBlack(pixel(16, 32)));
}

TEST(Basic3DEffectFootball, MeshIsAShared116TriangleClosedOutwardUnitSurfaceInTwoGreys) {
    const std::vector<float>& mesh = Basic3DEffect::footballMesh();
    EXPECT_EQ(&mesh, &Basic3DEffect::footballMesh());
    const std::size_t triangles = 20 * 4 + 12 * 3, n = Basic3DEffect::kFloatsPerVertex;
    ASSERT_EQ(mesh.size(), triangles * 3 * n);
    using P = std::array<float, 3>;
    std::set<std::pair<P, P>> edges;  // directed
    double area = 0;
    for (std::size_t t = 0; t < triangles; ++t) {
        P c[3];
        for (std::size_t k = 0; k < 3; ++k) {
            const float* p = &mesh[(3 * t + k) * n];
            c[k] = {p[0], p[1], p[2]};
            EXPECT_NEAR(std::hypot(p[0], p[1], p[2]), 1.0f, 1e-5f) << "vertex of triangle " << t;
            EXPECT_NEAR(std::hypot(p[3], p[4], p[5]), 1.0f, 1e-5f) << "normal of triangle " << t;
            const float grey = t < 80 ? 0.9f : 0.15f;  // hexagons first, then pentagons
            EXPECT_TRUE(p[6] == grey && p[7] == grey && p[8] == grey) << "triangle " << t;
        }
        const P u = {c[1][0] - c[0][0], c[1][1] - c[0][1], c[1][2] - c[0][2]};
        const P v = {c[2][0] - c[0][0], c[2][1] - c[0][1], c[2][2] - c[0][2]};
        const P normal = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        area += std::hypot(normal[0], normal[1], normal[2]) / 2;
        // Counter-clockwise seen from outside: the normal points away from the centre.
        EXPECT_GT(normal[0] * c[0][0] + normal[1] * c[0][1] + normal[2] * c[0][2], 1e-4f) << "triangle " << t;
        for (auto edge : {std::pair{c[0], c[1]}, {c[1], c[2]}, {c[2], c[0]}}) EXPECT_TRUE(edges.insert(edge).second);
    }
    // Each edge is used once in each direction: no holes, consistent winding.
    for (const auto& [from, to] : edges) EXPECT_EQ(edges.count({to, from}), 1u);
    EXPECT_GT(area, 0.9 * 4 * M_PI);  // close to the unit sphere's surface
    EXPECT_LT(area, 4 * M_PI);
}

}  // namespace
