// Basic3DEffect: pixels of rendered frames (lit default sphere, flat unlit mode, texturing by
// store position, the shapes' outlines, shape 7, the fixed view of ignoreCamera), the shared
// football mesh (counts, unit vertices, greys, a closed outward-facing surface), GL state
// restored after every draw, and its tracks.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <unistd.h>

#include "core/Logger.h"
#include "core/TextureManager.h"
#include "effects/Basic3DEffect.h"
#include "support/GlFixture.h"
#include "support/GlState.h"

namespace {

class Basic3DEffectTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        TextureManager::instance().clear();
    }
    void TearDown() override {
        TextureManager::instance().clear();
        GlFixture::TearDown();
    }

    // Eye at the origin looking down -z, the object 4 units in front.
    static void closeView() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(65.0, 1.0, 0.1, 250.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(0, 0, -4);
    }
    static void clear() {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    static std::unique_ptr<Basic3DEffect> make(std::initializer_list<std::pair<const char*, float>> keys = {}) {
        auto e = std::make_unique<Basic3DEffect>();
        e->init();
        for (const auto& [name, value] : keys) {
            KeyframeTrack* t = e->findTrack(name);
            EXPECT_NE(t, nullptr) << name;
            if (t != nullptr) t->setKey(0.0f, value, t->keys.at(0.0f).interp);
        }
        e->updateAllTracks(0.0f);
        return e;
    }
    std::vector<std::uint8_t> drawn(Basic3DEffect& e) {
        clear();
        e.render();
        return frame();
    }
    static bool isBlack(const std::array<std::uint8_t, 4>& p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }
};

TEST_F(Basic3DEffectTest, DefaultIsAWhiteLitSphereBrightInTheCentreBlackInTheCorners) {
    closeView();
    auto sphere = make();
    clear();
    sphere->render();

    auto centre = pixel(32, 32);
    // Cast the ray through that pixel's centre onto the sphere at (0, 0, -4): the grey is the
    // default 0.2 global ambient plus the diffuse term of the light from direction (1, 1, 1).
    double f = 1.0 / std::tan(65.0 * M_PI / 360.0);
    double ndc = 32.5 / 32.0 - 1.0;
    double dx = ndc / f, dy = ndc / f, dz = -1.0;
    double a = dx * dx + dy * dy + dz * dz, b = 2 * (dz * 4.0), c = 16.0 - 1.0;
    double t = (-b - std::sqrt(b * b - 4 * a * c)) / (2 * a);
    double nx = dx * t, ny = dy * t, nz = dz * t + 4.0;  // hit point minus centre, unit length
    double expected = 255 * (0.2 + (nx + ny + nz) / std::sqrt(3.0));
    EXPECT_NEAR(centre[0], expected, 3);
    EXPECT_EQ(centre[0], centre[1]);
    EXPECT_EQ(centre[1], centre[2]);
    EXPECT_GT(pixel(38, 38)[0], pixel(26, 26)[0]);  // the side towards the light is brighter
    for (auto [x, y] : {std::pair{0, 0}, {63, 0}, {0, 63}, {63, 63}}) EXPECT_TRUE(isBlack(pixel(x, y)));
}

TEST_F(Basic3DEffectTest, ShadingModeZeroIsFlatAndUnlit) {
    closeView();
    glEnable(GL_LIGHTING);  // left on by an earlier Lighting: must not apply
    auto sphere = make({{"shadingMode", 0}, {"color.r", 1.0f}, {"color.g", 0.5f}, {"color.b", 0.0f}});
    clear();
    sphere->render();
    for (auto [x, y] : {std::pair{32, 32}, {38, 38}, {26, 26}, {32, 42}}) {
        auto p = pixel(x, y);
        EXPECT_EQ(p[0], 255) << x << "," << y;
        EXPECT_NEAR(p[1], 128, 1) << x << "," << y;
        EXPECT_EQ(p[2], 0) << x << "," << y;
    }
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
}

TEST_F(Basic3DEffectTest, TextureIsChosenByStorePositionOnlyInModeFour) {
    std::vector<std::uint8_t> red(4 * 4 * 4, 0);
    for (std::size_t i = 0; i < red.size(); i += 4) red[i] = red[i + 3] = 255;
    ASSERT_NE(TextureManager::instance().updateDynamicTexture("*DynamicTest_red*", 4, 4, red.data()), nullptr);
    ASSERT_EQ(TextureManager::instance().textureNames().size(), 1u);
    closeView();

    auto textured = make();
    clear();
    textured->render();
    auto p = pixel(32, 32);
    EXPECT_GT(p[0], 100);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 0);

    for (auto keys : {std::pair{"textureID", 1.0f}, {"textureID", 100.0f}, {"textureID", -1.0f},
                      {"shadingMode", 3.0f}, {"shadingMode", 1.0f}}) {
        auto plain = make({keys});
        clear();
        plain->render();
        auto q = pixel(32, 32);
        EXPECT_GT(q[1], 100) << keys.first << " " << keys.second;
        EXPECT_EQ(q[0], q[1]) << keys.first << " " << keys.second;
        EXPECT_EQ(q[1], q[2]) << keys.first << " " << keys.second;
    }
    auto flat = make({{"shadingMode", 0.0f}});
    clear();
    flat->render();
    EXPECT_EQ(pixel(32, 32)[1], 255);  // no texture, no lighting: plain white
}

TEST_F(Basic3DEffectTest, ShapesCoverWhatTheirGeometrySays) {
    closeView();
    // Unlit, so every covered pixel is the colour. At 4 units a unit sphere covers about 13
    // pixels of radius, the cube (edge 1) about 7, the cylinder's near cap (z = 1) about 17.
    auto covered = [&](float shape, int x, int y) {
        auto e = make({{"shape", shape}, {"shadingMode", 0}});
        clear();
        e->render();
        return !isBlack(pixel(x, y));
    };
    EXPECT_TRUE(covered(0, 42, 32));   // sphere
    EXPECT_FALSE(covered(0, 47, 32));
    EXPECT_FALSE(covered(3, 42, 32));  // cube
    EXPECT_TRUE(covered(3, 36, 36));
    EXPECT_TRUE(covered(1, 47, 32));   // cylinder cap
    EXPECT_FALSE(covered(2, 32, 32));  // torus: the hole
    EXPECT_TRUE(covered(2, 43, 32));   // the ring at radius 1
    EXPECT_TRUE(covered(4, 32, 32));   // football
    EXPECT_FALSE(covered(4, 47, 32));
}

TEST_F(Basic3DEffectTest, ShapeSevenDrawsTheSphere) {
    closeView();
    auto seven = make({{"shape", 7}, {"rot.x", 30}});
    auto sphere = make({{"shape", 0}, {"rot.x", 30}});
    auto cube = make({{"shape", 3}, {"rot.x", 30}});
    auto seventh = drawn(*seven);
    EXPECT_EQ(seventh, drawn(*sphere));
    EXPECT_NE(seventh, drawn(*cube));
}

TEST_F(Basic3DEffectTest, FootballIsDrawnInItsTwoGreysTimesTheColour) {
    closeView();
    auto ball = make({{"shape", 4}, {"shadingMode", 0}, {"color.r", 1.0f}, {"color.g", 0.0f}, {"color.b", 0.0f}});
    auto image = drawn(*ball);
    int light = 0, dark = 0;
    for (std::size_t i = 0; i < image.size(); i += 4) {
        if (image[i] == 0) continue;
        EXPECT_EQ(image[i + 1], 0);
        if (std::abs(image[i] - 230) <= 1) ++light;
        else if (std::abs(image[i] - 38) <= 1) ++dark;
        else ADD_FAILURE() << "unexpected red " << int(image[i]);
    }
    EXPECT_GT(light, dark);
    EXPECT_GT(dark, 0);
}

TEST_F(Basic3DEffectTest, IgnoreCameraDrawsInAFixedViewAndRestoresBothMatrices) {
    glViewport(0, 0, 32, 64);  // the fixed view takes its aspect from the viewport
    // A camera far away looking elsewhere.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(30.0, 2.0, 1.0, 50.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(50, 50, 50, 100, 50, 50, 0, 1, 0);
    GlState before = GlState::capture();

    auto own = make({{"ignoreCamera", 1}, {"shadingMode", 0}, {"scale.x", 8}, {"scale.y", 8}, {"scale.z", 8}});
    auto ownFrame = drawn(*own);
    GlState after = GlState::capture();
    EXPECT_TRUE(after == before) << after.differences(before);

    auto follower = make({{"ignoreCamera", 0}, {"shadingMode", 0}, {"scale.x", 8}, {"scale.y", 8}, {"scale.z", 8}});
    auto hidden = drawn(*follower);
    for (std::size_t i = 0; i < hidden.size(); i += 4)
        ASSERT_TRUE(hidden[i] == 0 && hidden[i + 1] == 0 && hidden[i + 2] == 0) << "pixel " << i / 4;

    // The fixed view: 65 degrees at the viewport's aspect, 32 units in front of the eye.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(65.0, 0.5, 0.1, 250.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -32);
    EXPECT_EQ(ownFrame, drawn(*follower));
    EXPECT_FALSE(isBlack(pixel(16, 32)));
}

TEST_F(Basic3DEffectTest, LeavesNoGlStateBehind) {
    std::vector<std::uint8_t> white(2 * 2 * 4, 255);
    TextureManager::instance().updateDynamicTexture("*DynamicTest_white*", 2, 2, white.data());
    closeView();
    glMatrixMode(GL_PROJECTION);  // an earlier effect left the projection selected
    glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
    glShadeModel(GL_FLAT);
    GlState before = GlState::capture();
    for (float shape : {0, 1, 2, 3, 4, 9})
        for (float mode : {0, 2, 4})
            for (float ignore : {0, 1}) {
                auto e = make({{"shape", shape}, {"shadingMode", mode}, {"ignoreCamera", ignore},
                               {"pos.x", 0.5f}, {"rot.y", 40}, {"color.g", 0.3f}});
                e->render();
                GlState after = GlState::capture();
                EXPECT_TRUE(after == before)
                    << "shape " << shape << " mode " << mode << " ignore " << ignore << ": " << after.differences(before);
            }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(Basic3DEffectFootball, MeshHas116UnitTrianglesInTwoGreysAndIsShared) {
    const std::vector<float>& mesh = Basic3DEffect::footballMesh();
    EXPECT_EQ(&mesh, &Basic3DEffect::footballMesh());
    const std::size_t triangles = 20 * 4 + 12 * 3;
    ASSERT_EQ(mesh.size(), triangles * 3 * Basic3DEffect::kFloatsPerVertex);
    for (std::size_t v = 0; v < triangles * 3; ++v) {
        const float* p = &mesh[v * Basic3DEffect::kFloatsPerVertex];
        EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), 1.0f, 1e-5f) << "vertex " << v;
        EXPECT_NEAR(std::sqrt(p[3] * p[3] + p[4] * p[4] + p[5] * p[5]), 1.0f, 1e-5f) << "normal " << v;
        float grey = v < 80 * 3 ? 0.9f : 0.15f;  // hexagons first, then pentagons
        EXPECT_EQ(p[6], grey);
        EXPECT_EQ(p[7], grey);
        EXPECT_EQ(p[8], grey);
    }
}

TEST(Basic3DEffectFootball, MeshIsAClosedOutwardFacingSurface) {
    const std::vector<float>& mesh = Basic3DEffect::footballMesh();
    using Point = std::tuple<float, float, float>;
    auto point = [&](std::size_t v) {
        const float* p = &mesh[v * Basic3DEffect::kFloatsPerVertex];
        return Point{p[0], p[1], p[2]};
    };
    std::map<std::pair<Point, Point>, int> edges;  // directed
    double area = 0;
    for (std::size_t t = 0; t < mesh.size() / Basic3DEffect::kFloatsPerVertex / 3; ++t) {
        Point a = point(3 * t), b = point(3 * t + 1), c = point(3 * t + 2);
        float ux = std::get<0>(b) - std::get<0>(a), uy = std::get<1>(b) - std::get<1>(a), uz = std::get<2>(b) - std::get<2>(a);
        float vx = std::get<0>(c) - std::get<0>(a), vy = std::get<1>(c) - std::get<1>(a), vz = std::get<2>(c) - std::get<2>(a);
        float nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
        float len = std::sqrt(nx * nx + ny * ny + nz * nz);
        EXPECT_GT(len, 1e-3f) << "degenerate triangle " << t;
        // Counter-clockwise seen from outside: the normal points away from the centre.
        EXPECT_GT(nx * std::get<0>(a) + ny * std::get<1>(a) + nz * std::get<2>(a), 0.0f) << "triangle " << t;
        area += len / 2;
        ++edges[{a, b}];
        ++edges[{b, c}];
        ++edges[{c, a}];
    }
    // Every edge is used once in each direction by two triangles: no holes, consistent winding.
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1);
        EXPECT_EQ(edges.count({edge.second, edge.first}), 1u);
    }
    EXPECT_EQ(edges.size(), 116u * 3u);
    EXPECT_GT(area, 0.9 * 4 * M_PI);  // close to the unit sphere's surface
    EXPECT_LT(area, 4 * M_PI);
}

TEST(Basic3DEffectTracks, InOrderWithRangesDefaultsAndKeyShapes) {
    struct Row {
        const char* name;
        float min, max, value;
        bool snap;
    };
    const Row rows[] = {
        {"shape", 0, 4, 0, true},          {"shadingMode", 0, 4, 4, true}, {"textureID", 0, 100, 0, true},
        {"ignoreCamera", 0, 1, 0, true},   {"pos.x", -50, 50, 0, false},   {"pos.y", -50, 50, 0, false},
        {"pos.z", -50, 50, 0, false},      {"rot.x", -360, 360, 0, false}, {"rot.y", -360, 360, 0, false},
        {"rot.z", -360, 360, 0, false},    {"scale.x", 0.01f, 20, 1, false}, {"scale.y", 0.01f, 20, 1, false},
        {"scale.z", 0.01f, 20, 1, false},  {"color.r", 0, 1, 1, false},    {"color.g", 0, 1, 1, false},
        {"color.b", 0, 1, 1, false},
    };
    Basic3DEffect e;
    e.init();
    ASSERT_EQ(e.tracks.size(), std::size(rows) + 1);
    EXPECT_EQ(e.tracks[0]->getName(), "enabled");
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        auto* t = dynamic_cast<KeyframeTrack*>(e.tracks[i + 1]);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->name, rows[i].name);
        EXPECT_EQ(t->minValue, rows[i].min) << rows[i].name;
        EXPECT_EQ(t->maxValue, rows[i].max) << rows[i].name;
        EXPECT_EQ(t->snapToInteger, rows[i].snap) << rows[i].name;
        ASSERT_EQ(t->keys.size(), 1u) << rows[i].name;
        EXPECT_EQ(t->keys.at(0.0f).value, rows[i].value) << rows[i].name;
        EXPECT_EQ(t->keys.at(0.0f).interp, rows[i].snap ? InterpType::Step : InterpType::Linear) << rows[i].name;
    }
    EXPECT_EQ(std::string(e.getClassName()), "Basic3DEffect");
}

TEST(Basic3DEffectTracks, ConstructorLogsNothing) {
    auto path = std::filesystem::temp_directory_path() / ("basic3d_log_" + std::to_string(::getpid()) + ".txt");
    Logger::instance().open(path.string(), true);
    { Basic3DEffect e; }
    Logger::instance().close();
    std::ifstream in(path);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content.find("constructor"), std::string::npos) << content;
    std::filesystem::remove(path);
}

}  // namespace
