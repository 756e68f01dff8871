// Lighting: light 0 as GL reports it after a draw (position through the model-view matrix,
// colours, two-sided model, the switches it leaves on), a directional light, its tracks.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/Logger.h"
#include "effects/Lighting.h"
#include "support/GlFixture.h"

namespace {

using LightingTest = GlFixture;

std::array<float, 4> light0(GLenum which) {
    std::array<float, 4> v{};
    glGetLightfv(GL_LIGHT0, which, v.data());
    return v;
}

void expect4(const std::array<float, 4>& v, float a, float b, float c, float d, const char* what) {
    EXPECT_NEAR(v[0], a, 1e-5) << what;
    EXPECT_NEAR(v[1], b, 1e-5) << what;
    EXPECT_NEAR(v[2], c, 1e-5) << what;
    EXPECT_NEAR(v[3], d, 1e-5) << what;
}

std::unique_ptr<Lighting> makeLighting() {
    auto l = std::make_unique<Lighting>();
    l->init();
    return l;
}

TEST_F(LightingTest, DefaultsGiveAGreyAmbientPointLightAt0_5_5TwoSided) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_CULL_FACE);
    auto lighting = makeLighting();
    lighting->updateAllTracks(0.0f);
    lighting->render();

    expect4(light0(GL_POSITION), 0, 5, 5, 1, "position");
    expect4(light0(GL_AMBIENT), 0.4f, 0.4f, 0.4f, 1, "ambient");
    expect4(light0(GL_DIFFUSE), 1, 1, 1, 1, "diffuse");
    expect4(light0(GL_SPECULAR), 0.2f, 0.2f, 0.2f, 1, "specular");
    GLint twoSide = -1, face = 0, parameter = 0;
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSide);
    glGetIntegerv(GL_COLOR_MATERIAL_FACE, &face);
    glGetIntegerv(GL_COLOR_MATERIAL_PARAMETER, &parameter);
    EXPECT_EQ(twoSide, 1);
    EXPECT_EQ(face, GL_FRONT_AND_BACK);
    EXPECT_EQ(parameter, GL_AMBIENT_AND_DIFFUSE);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(LightingTest, PositionFollowsTheModelViewAndWZeroMakesItDirectional) {
    auto lighting = makeLighting();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -10);  // a camera 10 units back
    lighting->updateAllTracks(0.0f);
    lighting->render();
    expect4(light0(GL_POSITION), 0, 5, -5, 1, "point light moves with the view");

    lighting->findTrack("light.w")->setKey(0, 0.0f, InterpType::Linear);
    lighting->findTrack("light.x")->setKey(0, -2.0f, InterpType::Linear);
    lighting->updateAllTracks(0.0f);
    lighting->render();
    // A direction is not translated.
    expect4(light0(GL_POSITION), -2, 5, 5, 0, "directional light");
}

TEST_F(LightingTest, IntensitiesAboveOneAndOneSidedLightingPassThrough) {
    auto lighting = makeLighting();
    lighting->findTrack("intensity.diffuse")->setKey(0, 2.0f, InterpType::Linear);
    lighting->findTrack("intensity.specular")->setKey(0, 1.5f, InterpType::Linear);
    lighting->findTrack("intensity.ambient")->setKey(0, 0.0f, InterpType::Linear);
    lighting->findTrack("twoSided")->setKey(0, 0.4f, InterpType::Step);
    lighting->updateAllTracks(0.0f);
    lighting->render();
    expect4(light0(GL_DIFFUSE), 2, 2, 2, 1, "diffuse");
    expect4(light0(GL_SPECULAR), 1.5f, 1.5f, 1.5f, 1, "specular");
    expect4(light0(GL_AMBIENT), 0, 0, 0, 1, "ambient");
    GLint twoSide = -1;
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSide);
    EXPECT_EQ(twoSide, 0);
}

TEST_F(LightingTest, DisabledLightingChangesNothing) {
    auto lighting = makeLighting();
    lighting->findTrack("enabled")->setKey(0, 0.0f, InterpType::Step);
    lighting->updateAllTracks(0.0f);
    lighting->render();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
}

TEST_F(LightingTest, TracksInOrderWithRangesDefaultsAndKeyShapes) {
    struct Row {
        const char* name;
        float min, max, value;
        InterpType interp;
    };
    const Row rows[] = {
        {"intensity.ambient", 0, 1, 0.4f, InterpType::Linear},
        {"intensity.diffuse", 0, 2, 1.0f, InterpType::Linear},
        {"intensity.specular", 0, 2, 0.2f, InterpType::Linear},
        {"twoSided", 0, 1, 1.0f, InterpType::Step},
        {"light.x", -100, 100, 0, InterpType::Linear},
        {"light.y", -100, 100, 5, InterpType::Linear},
        {"light.z", -100, 100, 5, InterpType::Linear},
        {"light.w", 0, 1, 1, InterpType::Linear},
    };
    auto lighting = makeLighting();
    ASSERT_EQ(lighting->tracks.size(), std::size(rows) + 1);
    EXPECT_EQ(lighting->tracks[0]->getName(), "enabled");
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        auto* t = dynamic_cast<KeyframeTrack*>(lighting->tracks[i + 1]);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->name, rows[i].name);
        EXPECT_EQ(t->minValue, rows[i].min) << rows[i].name;
        EXPECT_EQ(t->maxValue, rows[i].max) << rows[i].name;
        EXPECT_FALSE(t->snapToInteger) << rows[i].name;
        ASSERT_EQ(t->keys.size(), 1u) << rows[i].name;
        EXPECT_EQ(t->keys.at(0.0f).value, rows[i].value) << rows[i].name;
        EXPECT_EQ(t->keys.at(0.0f).interp, rows[i].interp) << rows[i].name;
    }
    EXPECT_EQ(std::string(lighting->getClassName()), "Lighting");
}

TEST_F(LightingTest, ConstructorWritesItsLogLine) {
    auto path = std::filesystem::temp_directory_path() / ("lighting_log_" + std::to_string(::getpid()) + ".txt");
    Logger::instance().open(path.string(), true);
    { Lighting lighting; }
    Logger::instance().close();
    std::ifstream in(path);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line.substr(10), " Lighting constructor called.");
    std::filesystem::remove(path);
}

}  // namespace
