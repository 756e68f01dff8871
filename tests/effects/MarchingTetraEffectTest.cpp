// MarchingTetraEffect in a headless GL context: the grid resolution rule, the texture chosen by
// store position, the pixels of the shading modes (and their texture coordinates) with the GL
// state restored, and bad field choices. Tracks, log line and the bad-value sweep: AllEffectsTest.
#include <gtest/gtest.h>

#include "core/TextureManager.h"
#include "effects/MarchingTetraEffect.h"
#include "support/EffectHelpers.h"
#include "support/GlFixture.h"
#include "support/GlState.h"

namespace {

using Tetra = MarchingTetraEffect;

class MarchingTetraEffectTest : public GlFixture {
protected:
    // Eye at the origin looking down -z; the surface 60 units in front.
    void SetUp() override {
        GlFixture::SetUp();
        glMatrixMode(GL_PROJECTION);
        gluPerspective(65.0, 1.0, 0.1, 250.0);
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(0, 0, -60);
    }
    // A 4 x 4 texture; texel row y has colour(y).
    template <class Colour>
    static std::shared_ptr<Texture> texture(const std::string& name, Colour colour) {
        std::vector<std::uint8_t> rgba;
        for (int i = 0; i < 16; ++i) {
            const std::array<std::uint8_t, 4> c = colour(i / 4);
            rgba.insert(rgba.end(), c.begin(), c.end());
        }
        return TextureManager::instance().updateDynamicTexture(name, 4, 4, rgba.data());
    }
};

TEST_F(MarchingTetraEffectTest, GridResolutionIsRoundedAndBadValuesNeverReachTheGrid) {
    auto e = effectWith<Tetra>({});
    // Each value is applied after the previous one.
    const std::pair<float, int> steps[] = {{7.4f, 32}, {8.5f, 9},     {NAN, 9},     {1.0e30f, 80}, {-INFINITY, 80},
                                           {7.5f, 8},  {INFINITY, 80}, {-3.0f, 80}, {63.6f, 64}};
    for (auto [value, expected] : steps) {
        setKeys(*e, {{"gridRes", value}});
        e->updateAllTracks(0.0f);
        EXPECT_TRUE(e->currentResolution == expected && e->field.resolution == expected) << value;
        EXPECT_EQ(e->field.values.size(), std::size_t(expected) * expected * expected) << value;
    }
    EXPECT_FALSE(e->meshPositions.empty());
    // A NaN field is the sphere, a huge one the empty field: the sphere alone.
    e = effectWith<Tetra>({{"fieldA", NAN}, {"fieldB", 1.0e30f}, {"fieldOp", -INFINITY}});
    EXPECT_TRUE(e->field.primaryId == Sphere && e->field.secondaryId == Empty && !e->meshPositions.empty());
}

TEST_F(MarchingTetraEffectTest, TextureIsChosenByTruncatedStorePositionAndKeptOnBadValues) {
    std::shared_ptr<Texture> store[3];
    for (int i = 0; i < 3; ++i) store[i] = texture(std::string(1, char('a' + i)), [](int) { return std::array<std::uint8_t, 4>{}; });
    auto e = effectWith<Tetra>({});
    EXPECT_EQ(e->textureId, store[1]->id);  // the default key 1
    for (float value : {2.9f, -1.0f, 3.0f, NAN, INFINITY, 1.0e30f}) {  // 2.9 selects index 2, the rest keep it
        setKeys(*e, {{"texture", value}});
        e->updateAllTracks(0.0f);
        EXPECT_TRUE(e->textureId == store[2]->id && e->loadedTextureIndex == 2 && e->heldTexture == store[2]) << value;
    }
}

TEST_F(MarchingTetraEffectTest, DrawsUntexturedTexturedAndSphereMappedAndRestoresTheState) {
    // The second texture: rows 1 and 2 of 4 green, rows 0 and 3 red; repeating like the
    // project's image textures, unfiltered.
    texture("*red*", [](int) { return std::array<std::uint8_t, 4>{255, 0, 0, 255}; });
    auto green = [](int row) { return std::array<std::uint8_t, 4>{std::uint8_t(row % 3 ? 0 : 255), std::uint8_t(row % 3 ? 255 : 0), 0, 255}; };
    glBindTexture(GL_TEXTURE_2D, texture("*bands*", green)->id);
    for (GLenum parameter : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) glTexParameteri(GL_TEXTURE_2D, parameter, GL_REPEAT);
    for (GLenum parameter : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) glTexParameteri(GL_TEXTURE_2D, parameter, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    // A sphere of radius 16 (closed in a 36-point grid), 60 units away, unlit: white without a
    // texture; green with the sphere map (t = 0.5 facing the eye) and with the planar
    // coordinates (t = 34 / 35 + 0.5 at the front); red texel row 0 would mean no coordinates.
    for (float mode : {0.0f, 1.0f, 2.0f, 3.0f, 4.0f}) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        auto e = effectWith<Tetra>({{"fieldB", 5}, {"fieldOp", 0}, {"gridRes", 36}, {"shadingMode", mode}, {"enableLighting", 0}});
        EXPECT_EQ(e->meshTexCoords.size(), mode == 1 ? 0 : e->meshPositions.size() / 3 * 2);  // none in mode 1
        const GlState before = GlState::capture();
        e->render();
        EXPECT_TRUE(GlState::capture() == before) << GlState::capture().differences(before);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        const auto p = pixel(32, 32);
        EXPECT_TRUE(p[0] == (mode < 3 ? 255 : 0) && p[1] == 255 && p[2] == (mode < 3 ? 255 : 0)) << "mode " << mode;
        EXPECT_EQ(pixel(1, 1), (std::array<std::uint8_t, 4>{0, 0, 0, 255})) << "mode " << mode;
    }
    // Lit (the default), the sphere is shaded: brighter facing the light than at its rim.
    glEnable(GL_LIGHT0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    effectWith<Tetra>({{"fieldB", 5}, {"fieldOp", 0}, {"gridRes", 36}, {"shadingMode", 0}})->render();
    EXPECT_GT(pixel(32, 32)[0], pixel(32, 50)[0] + 40);
}

}  // namespace
