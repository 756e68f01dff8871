// Texture store against real image files and a real GL context: texel colours after the flip,
// one texture per key, failed loads, dynamic textures, key normalisation.
#include <gtest/gtest.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "base/Platform.h"
#include "core/TextureManager.h"
#include "support/GlFixture.h"
#include "support/TempDir.h"

namespace {

// 2 x 2 image, top row red, green; bottom row blue, white (file order: top row first).
const std::uint8_t kImage[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
// Bottom row first, as the store keeps it.
const std::uint8_t kFlipped[] = {0, 0, 255, 255, 255, 255, 255, 255, 255, 0, 0, 255, 0, 255, 0, 255};

// A 1 x 1 GIF whose one pixel is colour 0 of a two-entry table: (10, 200, 30).
const unsigned char kGif[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 10, 200, 30, 0, 0, 0,
                              ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 'D', 1, 0, ';'};

class TextureManagerTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        setProgramDirectoryOverride(dir.path().string());
    }
    void TearDown() override {
        TextureManager::instance().clear();
        setProgramDirectoryOverride("");
        GlFixture::TearDown();
    }
    std::vector<std::uint8_t> uploaded(const Texture& texture) {
        std::vector<std::uint8_t> texels(static_cast<std::size_t>(texture.width) * texture.height * 4);
        glBindTexture(GL_TEXTURE_2D, texture.id);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        return texels;
    }
    TempDir dir;
    TextureManager& store = TextureManager::instance();
};

TEST_F(TextureManagerTest, LosslessFormatsLoadFlippedWithExactTexels) {
    std::filesystem::create_directories(dir.path() / "Data/Textures");
    ASSERT_TRUE(stbi_write_png(dir.file("Data/Textures/a.png").c_str(), 2, 2, 4, kImage, 8));
    ASSERT_TRUE(stbi_write_bmp(dir.file("Data/Textures/a.bmp").c_str(), 2, 2, 4, kImage));
    ASSERT_TRUE(stbi_write_tga(dir.file("Data/Textures/a.tga").c_str(), 2, 2, 4, kImage));
    for (const char* name : {"Data/Textures/a.png", "Data/Textures/a.bmp", "Data/Textures/a.tga"}) {
        auto texture = store.getTexture(dir.file(name));
        ASSERT_TRUE(texture) << name;
        EXPECT_NE(texture->id, 0u);
        EXPECT_EQ(texture->width, 2);
        EXPECT_EQ(texture->height, 2);
        EXPECT_EQ(texture->pixels, std::vector<std::uint8_t>(kFlipped, kFlipped + 16)) << name;
        EXPECT_EQ(uploaded(*texture), texture->pixels) << name;
        GLint wrap = 0, filter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        EXPECT_EQ(wrap, GL_REPEAT);
        EXPECT_EQ(filter, GL_LINEAR);
    }
    EXPECT_EQ(store.getTextureNames(),
              (std::vector<std::string>{"Data/Textures/a.png", "Data/Textures/a.bmp", "Data/Textures/a.tga"}));
}

TEST_F(TextureManagerTest, JpegAndGifDecodeToRgba) {
    std::vector<std::uint8_t> orange(16 * 16 * 3);
    for (std::size_t i = 0; i < orange.size(); i += 3) {
        orange[i] = 250;
        orange[i + 1] = 120;
        orange[i + 2] = 10;
    }
    ASSERT_TRUE(stbi_write_jpg(dir.file("o.jpg").c_str(), 16, 16, 3, orange.data(), 100));
    auto jpeg = store.getTexture(dir.file("o.jpg"));
    ASSERT_TRUE(jpeg);
    EXPECT_NEAR(jpeg->pixels[0], 250, 3);
    EXPECT_NEAR(jpeg->pixels[1], 120, 3);
    EXPECT_NEAR(jpeg->pixels[2], 10, 3);
    EXPECT_EQ(jpeg->pixels[3], 255);  // forced alpha

    dir.write("g.gif", std::string(reinterpret_cast<const char*>(kGif), sizeof kGif));
    auto gif = store.getTexture(dir.file("g.gif"));
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->pixels, (std::vector<std::uint8_t>{10, 200, 30, 255}));
}

TEST_F(TextureManagerTest, AbsoluteAndRelativePathsAreOneTexture) {
    ASSERT_TRUE(stbi_write_png(dir.file("stone.png").c_str(), 2, 2, 4, kImage, 8));
    auto byAbsolute = store.getTexture(dir.file("stone.png"));
    auto byKey = store.getTexture("stone.png");
    ASSERT_TRUE(byAbsolute);
    EXPECT_EQ(byAbsolute, byKey);
    EXPECT_EQ(store.getTextureNames(), std::vector<std::string>{"stone.png"});
}

TEST_F(TextureManagerTest, FailedLoadsAreNotRegisteredAndDoNotShiftPositions) {
    ASSERT_TRUE(stbi_write_png(dir.file("good.png").c_str(), 2, 2, 4, kImage, 8));
    dir.write("corrupt.png", "\x89PNG\r\n\x1a\nthis is not an image");
    dir.write("empty.png", "");
    std::filesystem::create_directories(dir.path() / "folder.png");
    std::vector<std::uint8_t> wide(static_cast<std::size_t>(TextureManager::kMaxImageSide + 1) * 4, 128);
    ASSERT_TRUE(stbi_write_png(dir.file("wide.png").c_str(), TextureManager::kMaxImageSide + 1, 1, 4, wide.data(), 0));

    for (const char* bad : {"missing.png", "corrupt.png", "empty.png", "folder.png", "wide.png"})
        EXPECT_EQ(store.getTexture(dir.file(bad)), nullptr) << bad;
    EXPECT_EQ(store.getTexture(""), nullptr);
    EXPECT_TRUE(store.getTexture(dir.file("good.png")));
    EXPECT_EQ(store.getTextureNames(), std::vector<std::string>{"good.png"});
}

TEST_F(TextureManagerTest, DynamicTexturesAreCreatedOnceUpdatedInPlaceAndClamp) {
    const std::string name = "*DynamicPlasma_*";
    EXPECT_EQ(store.getTexture(name), nullptr);
    std::vector<std::uint8_t> first(4 * 2 * 4, 7), second(4 * 2 * 4, 200);
    auto created = store.updateDynamicTexture(name, 4, 2, first.data());
    ASSERT_TRUE(created);
    EXPECT_TRUE(created->pixels.empty());
    EXPECT_EQ(uploaded(*created), first);
    GLint wrapS = 0, wrapT = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    EXPECT_EQ(wrapS, GL_CLAMP);
    EXPECT_EQ(wrapT, GL_CLAMP);

    auto again = store.updateDynamicTexture(name, 999, 999, second.data());  // later sizes are ignored
    EXPECT_EQ(again, created);
    EXPECT_EQ(again->width, 4);
    EXPECT_EQ(uploaded(*again), second);
    EXPECT_EQ(store.getTexture(name), created);
    EXPECT_EQ(store.getTextureNames(), std::vector<std::string>{name});
}

TEST_F(TextureManagerTest, ProjectTexturesComeBeforeDynamicOnes) {
    ASSERT_TRUE(stbi_write_png(dir.file("a.png").c_str(), 2, 2, 4, kImage, 8));
    std::vector<std::uint8_t> pixels(16, 0);
    store.getTexture(dir.file("a.png"));
    store.updateDynamicTexture("*DynamicFire_*", 2, 2, pixels.data());
    store.getTexture(dir.file("a.png"));
    EXPECT_EQ(store.getTextureNames(), (std::vector<std::string>{"a.png", "*DynamicFire_*"}));
}

TEST(TextureKey, NormalisesSeparatorsAndCutsTheProgramDirectory) {
    setProgramDirectoryOverride("C:\\demo\\bin");
    EXPECT_EQ(TextureManager::normalizeTextureKey("C:\\demo\\bin\\Data\\Textures\\stone.png"), "Data/Textures/stone.png");
    EXPECT_EQ(TextureManager::normalizeTextureKey("X:/C:/demo/bin/x.png"), "x.png");  // cut after the occurrence
    EXPECT_EQ(TextureManager::normalizeTextureKey("other\\x.png"), "other/x.png");
    EXPECT_EQ(TextureManager::normalizeTextureKey("a.png"), "a.png");  // directory longer than the path
    setProgramDirectoryOverride("/opt/demo");
    EXPECT_EQ(TextureManager::normalizeTextureKey("/opt/demoData.png"), "Data.png");
    setProgramDirectoryOverride("");
}

}  // namespace
