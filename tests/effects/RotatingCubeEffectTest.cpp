// RotatingCubeEffect: the 57.3 degrees-per-radian turn in x, y, z order, checked against
// frames drawn with glRotatef; scale 0 draws nothing; colours saturate; GL state restored
// from an unusual starting state.
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cmath>

#include "effects/RotatingCubeEffect.h"
#include "support/GlFixture.h"
#include "support/GlState.h"
#include "support/EffectHelpers.h"

namespace {

class RotatingCubeEffectTest : public GlFixture {
protected:
    // A view 8 units back and a light from the upper right, so every face has its own shade.
    void SetUp() override {
        GlFixture::SetUp();
        glMatrixMode(GL_PROJECTION);
        gluPerspective(65.0, 1.0, 0.1, 250.0);
        glMatrixMode(GL_MODELVIEW);
        const GLfloat direction[4] = {1.0f, 2.0f, 3.0f, 0.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, direction);
        glTranslatef(0, 0, -8);
        for (GLenum on : {GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL, GL_NORMALIZE}) glEnable(on);
        cube.init();
    }
    std::vector<std::uint8_t> drawn(Keys keys) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        setKeys(cube, keys);
        cube.updateAllTracks(0.0f);
        cube.render();
        setKeys(cube, {{"rx", 0}, {"ry", 0}, {"rz", 0}});
        return frame();
    }
    // The unrotated cube turned by the given degrees about the axes in the given order.
    std::vector<std::uint8_t> reference(std::initializer_list<std::array<float, 4>> turns) {
        glPushMatrix();
        for (const auto& [degrees, x, y, z] : turns) glRotatef(degrees, x, y, z);
        auto image = drawn({});
        glPopMatrix();
        return image;
    }
    RotatingCubeEffect cube;
};

TEST_F(RotatingCubeEffectTest, TurnsBy57Point3DegreesPerRadianAboutXThenYThenZ) {
    EXPECT_EQ(drawn({{"rx", 1.0f}}), reference({{57.3f, 1, 0, 0}}));
    // 1000 radians: 57300 degrees (60 mod 360), where 180/pi would give about 55.8.
    const auto far = drawn({{"rx", 1000.0f}});
    EXPECT_EQ(far, reference({{57300.0f, 1, 0, 0}}));
    EXPECT_NE(far, reference({{static_cast<float>(1000.0 * 180.0 / M_PI), 1, 0, 0}}));
    const float x = 0.4f * 57.3f, y = 0.7f * 57.3f, z = 1.1f * 57.3f;
    const auto image = drawn({{"rx", 0.4f}, {"ry", 0.7f}, {"rz", 1.1f}});
    EXPECT_EQ(image, reference({{x, 1, 0, 0}, {y, 0, 1, 0}, {z, 0, 0, 1}}));
    EXPECT_NE(image, reference({{z, 0, 0, 1}, {y, 0, 1, 0}, {x, 1, 0, 0}}));
}

TEST_F(RotatingCubeEffectTest, ScaleZeroDrawsNothingColoursSaturateAndNoGlStateIsLeft) {
    const auto nothing = drawn({{"scale", 0.0f}});
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(nothing, frame());
    glDisable(GL_LIGHTING);
    drawn({{"scale", 1.0f}, {"r", 5.0f}, {"g", 0.0f}, {"b", 0.0f}});  // used as they are, not scaled
    EXPECT_EQ(pixel(32, 32), (std::array<std::uint8_t, 4>{255, 0, 0, 255}));

    glMatrixMode(GL_PROJECTION);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glColor3f(0.3f, 0.6f, 0.9f);
    const GlState before = GlState::capture();
    drawn({{"px", 1}, {"rx", 2}, {"scale", 3}});
    const GlState after = GlState::capture();
    EXPECT_TRUE(after == before) << after.differences(before);
}

}  // namespace
