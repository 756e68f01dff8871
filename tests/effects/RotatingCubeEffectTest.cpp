// RotatingCubeEffect: the 57.3 degrees-per-radian turn and the x, y, z order, checked against
// frames drawn with glRotatef; scale 0 draws nothing; colours saturate; GL state restored;
// the shared 0..25 track ranges and the constructor's log line.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/Logger.h"
#include "effects/RotatingCubeEffect.h"
#include "support/GlFixture.h"
#include "support/GlState.h"

namespace {

class RotatingCubeEffectTest : public GlFixture {
protected:
    // A view 8 units back and a light from the upper right, so every face has its own shade.
    void SetUp() override {
        GlFixture::SetUp();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(65.0, 1.0, 0.1, 250.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const GLfloat direction[4] = {1.0f, 2.0f, 3.0f, 0.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, direction);
        glTranslatef(0, 0, -8);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_COLOR_MATERIAL);
        glEnable(GL_NORMALIZE);
    }

    static std::unique_ptr<RotatingCubeEffect> make(std::initializer_list<std::pair<const char*, float>> keys = {}) {
        auto e = std::make_unique<RotatingCubeEffect>();
        e->init();
        for (const auto& [name, value] : keys) e->findTrack(name)->setKey(0.0f, value, InterpType::Linear);
        e->updateAllTracks(0.0f);
        return e;
    }
    std::vector<std::uint8_t> drawn(Effect& e) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        e.render();
        return frame();
    }
    // The unrotated cube under the current model-view turned by the given degrees in x, y, z order.
    std::vector<std::uint8_t> reference(float xDegrees, float yDegrees, float zDegrees) {
        auto plain = make();
        glPushMatrix();
        glRotatef(xDegrees, 1, 0, 0);
        glRotatef(yDegrees, 0, 1, 0);
        glRotatef(zDegrees, 0, 0, 1);
        auto image = drawn(*plain);
        glPopMatrix();
        return image;
    }
};

TEST_F(RotatingCubeEffectTest, OneRadianTurnsBy57Point3DegreesAboutX) {
    auto turned = make({{"rx", 1.0f}});
    auto image = drawn(*turned);
    EXPECT_EQ(image, reference(57.3f, 0, 0));
    EXPECT_NE(image, reference(0, 0, 0));
    EXPECT_NE(image, reference(0, 57.3f, 0));

    // 1000 radians: 57300 degrees (60 mod 360), where 180/pi would give about 55.8.
    auto far = make({{"rx", 1000.0f}});
    auto farImage = drawn(*far);
    EXPECT_EQ(farImage, reference(57300.0f, 0, 0));
    EXPECT_NE(farImage, reference(static_cast<float>(1000.0 * 180.0 / M_PI), 0, 0));
}

TEST_F(RotatingCubeEffectTest, TurnsAboutXThenYThenZ) {
    auto turned = make({{"rx", 0.4f}, {"ry", 0.7f}, {"rz", 1.1f}});
    auto image = drawn(*turned);
    EXPECT_EQ(image, reference(0.4f * 57.3f, 0.7f * 57.3f, 1.1f * 57.3f));
    auto zFirst = make();
    glPushMatrix();
    glRotatef(1.1f * 57.3f, 0, 0, 1);
    glRotatef(0.7f * 57.3f, 0, 1, 0);
    glRotatef(0.4f * 57.3f, 1, 0, 0);
    EXPECT_NE(image, drawn(*zFirst));
    glPopMatrix();
}

TEST_F(RotatingCubeEffectTest, ScaleZeroDrawsNothingAndColoursSaturate) {
    auto cube = make();
    drawn(*cube);
    EXPECT_GT(pixel(32, 32)[0], 0);  // the unscaled cube covers the centre

    auto flat = make({{"scale", 0.0f}});
    auto image = drawn(*flat);
    for (std::size_t i = 0; i < image.size(); i += 4)
        ASSERT_TRUE(image[i] == 0 && image[i + 1] == 0 && image[i + 2] == 0) << "pixel " << i / 4;

    glDisable(GL_LIGHTING);
    auto bright = make({{"r", 25.0f}, {"g", 0.0f}, {"b", 0.0f}});
    drawn(*bright);
    auto p = pixel(32, 32);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[1], 0);
}

TEST_F(RotatingCubeEffectTest, LeavesNoGlStateBehind) {
    glMatrixMode(GL_PROJECTION);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glColor3f(0.3f, 0.6f, 0.9f);
    GlState before = GlState::capture();
    auto cube = make({{"px", 1}, {"rx", 2}, {"scale", 3}});
    cube->render();
    GlState after = GlState::capture();
    EXPECT_TRUE(after == before) << after.differences(before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(RotatingCubeEffectTracks, AllShareTheRange0To25WithLinearDefaults) {
    const std::pair<const char*, float> rows[] = {{"px", 0},  {"py", 0},  {"pz", 0},    {"rx", 0},   {"ry", 0},
                                                  {"rz", 0},  {"r", 1.0f}, {"g", 0.5f}, {"b", 0.2f}, {"scale", 1}};
    RotatingCubeEffect e;
    e.init();
    ASSERT_EQ(e.tracks.size(), std::size(rows) + 1);
    EXPECT_EQ(e.tracks[0]->getName(), "enabled");
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        auto* t = dynamic_cast<KeyframeTrack*>(e.tracks[i + 1]);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->name, rows[i].first);
        EXPECT_EQ(t->minValue, 0.0f);
        EXPECT_EQ(t->maxValue, 25.0f);
        EXPECT_FALSE(t->snapToInteger);
        ASSERT_EQ(t->keys.size(), 1u);
        EXPECT_EQ(t->keys.at(0.0f).value, rows[i].second) << rows[i].first;
        EXPECT_EQ(t->keys.at(0.0f).interp, InterpType::Linear);
    }
    EXPECT_EQ(e.r, 1.0f);
    EXPECT_EQ(e.g, 0.5f);
    EXPECT_EQ(e.b, 0.2f);
    EXPECT_EQ(std::string(e.getClassName()), "RotatingCubeEffect");
}

TEST(RotatingCubeEffectTracks, ConstructorWritesItsLogLine) {
    auto path = std::filesystem::temp_directory_path() / ("cube_log_" + std::to_string(::getpid()) + ".txt");
    Logger::instance().open(path.string(), true);
    { RotatingCubeEffect e; }
    Logger::instance().close();
    std::ifstream in(path);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line.substr(10), " RotatingCubeEffect constructor called.");
    std::filesystem::remove(path);
}

}  // namespace
