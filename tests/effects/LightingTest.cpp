// Lighting: light 0 as GL reports it after a draw (position through the model-view matrix,
// colours, two-sided model, the switches it leaves on), a directional light.
#include <gtest/gtest.h>

#include "effects/Lighting.h"
#include "support/GlFixture.h"
#include "support/EffectHelpers.h"

namespace {

class LightingTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        lighting.init();
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(0, 0, -10);  // a camera 10 units back
    }
    void renderWith(std::initializer_list<std::pair<const char*, float>> keys) {
        setKeys(lighting, keys);
        lighting.updateAllTracks(0.0f);
        lighting.render();
    }
    static GLint integer(GLenum which) {
        GLint v = -1;
        glGetIntegerv(which, &v);
        return v;
    }
    static void expectLight0(GLenum which, std::array<float, 4> expected, const char* what) {
        std::array<float, 4> v{};
        glGetLightfv(GL_LIGHT0, which, v.data());
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(v[i], expected[i], 1e-5) << what << " " << i;
    }
    Lighting lighting;
};

TEST_F(LightingTest, DefaultsGiveAGreyAmbientTwoSidedPointLightAt0_5_5InTheScene) {
    glEnable(GL_CULL_FACE);
    renderWith({});
    expectLight0(GL_POSITION, {0, 5, -5, 1}, "position, moved with the view");
    expectLight0(GL_AMBIENT, {0.4f, 0.4f, 0.4f, 1}, "ambient");
    expectLight0(GL_DIFFUSE, {1, 1, 1, 1}, "diffuse");
    expectLight0(GL_SPECULAR, {0.2f, 0.2f, 0.2f, 1}, "specular");
    EXPECT_EQ(integer(GL_LIGHT_MODEL_TWO_SIDE), 1);
    EXPECT_EQ(integer(GL_COLOR_MATERIAL_FACE), GL_FRONT_AND_BACK);
    EXPECT_EQ(integer(GL_COLOR_MATERIAL_PARAMETER), GL_AMBIENT_AND_DIFFUSE);
    for (GLenum on : {GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL, GL_NORMALIZE}) EXPECT_TRUE(glIsEnabled(on)) << on;
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
}

TEST_F(LightingTest, WZeroIsADirectionAndValuesPassThroughUnclamped) {
    renderWith({{"light.w", 0.0f}, {"light.x", -2.0f}, {"intensity.diffuse", 2.0f}, {"intensity.specular", 1.5f},
                {"intensity.ambient", 0.0f}, {"twoSided", 0.4f}});
    expectLight0(GL_POSITION, {-2, 5, 5, 0}, "directional light, not translated");
    expectLight0(GL_DIFFUSE, {2, 2, 2, 1}, "diffuse");
    expectLight0(GL_SPECULAR, {1.5f, 1.5f, 1.5f, 1}, "specular");
    expectLight0(GL_AMBIENT, {0, 0, 0, 1}, "ambient");
    EXPECT_EQ(integer(GL_LIGHT_MODEL_TWO_SIDE), 0);
}

}  // namespace
