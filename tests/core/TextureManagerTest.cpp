// Texture store against real image files and a real GL context: texels after the flip with
// alpha forced, one texture per key in load order, failed loads, dynamic textures, key
// normalisation.
#include <gtest/gtest.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "base/Platform.h"
#include "core/TextureManager.h"
#include "support/GlFixture.h"
#include "support/TempDir.h"

namespace {

using Names = std::vector<std::string>;

// 2 x 2 image, top row red, green; bottom row blue, white (file order: top row first).
const std::uint8_t kImage[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
// Bottom row first, as the store keeps it.
const std::vector<std::uint8_t> kFlipped = {0, 0, 255, 255, 255, 255, 255, 255, 255, 0, 0, 255, 0, 255, 0, 255};

class TextureManagerTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        setProgramDirectoryOverride(dir.path().string());
    }
    void TearDown() override {
        setProgramDirectoryOverride("");
        GlFixture::TearDown();
    }
    static GLint parameter(GLenum name) {
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        return value;
    }
    TempDir dir;
    TextureManager& store = TextureManager::instance();
};

// The BMP is written without alpha: the store asks for four channels.
TEST_F(TextureManagerTest, LosslessFormatsLoadFlippedWithExactTexels) {
    std::vector<std::uint8_t> rgb;
    for (int i = 0; i < 16; ++i)
        if (i % 4 != 3) rgb.push_back(kImage[i]);
    ASSERT_TRUE(stbi_write_png(dir.file("a.png").c_str(), 2, 2, 4, kImage, 8));
    ASSERT_TRUE(stbi_write_bmp(dir.file("a.bmp").c_str(), 2, 2, 3, rgb.data()));
    ASSERT_TRUE(stbi_write_tga(dir.file("a.tga").c_str(), 2, 2, 4, kImage));
    for (const char* name : {"a.png", "a.bmp", "a.tga"}) {
        auto texture = store.getTexture(dir.file(name));
        ASSERT_TRUE(texture) << name;
        EXPECT_EQ(std::make_pair(texture->width, texture->height), std::make_pair(2, 2));
        EXPECT_EQ(texture->pixels, kFlipped) << name;
        EXPECT_EQ(texels(texture->id, 2, 2), kFlipped) << name;
        EXPECT_EQ(parameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
        EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    }
    EXPECT_EQ(store.getTextureNames(), (Names{"a.png", "a.bmp", "a.tga"}));
}

// Failed loads are not registered and do not shift the positions; an absolute path and its
// key are one texture, which keeps its place before a dynamic one made later.
TEST_F(TextureManagerTest, OneEntryPerKeyInLoadOrder) {
    ASSERT_TRUE(stbi_write_png(dir.file("good.png").c_str(), 2, 2, 4, kImage, 8));
    dir.write("corrupt.png", "\x89PNG\r\n\x1a\nthis is not an image");
    dir.write("empty.png", "");
    std::filesystem::create_directories(dir.path() / "folder.png");
    std::vector<std::uint8_t> wide(static_cast<std::size_t>(TextureManager::kMaxImageSide + 1) * 4, 128);
    ASSERT_TRUE(stbi_write_png(dir.file("wide.png").c_str(), TextureManager::kMaxImageSide + 1, 1, 4, wide.data(), 0));
    for (const char* bad : {"missing.png", "corrupt.png", "empty.png", "folder.png", "wide.png"})
        EXPECT_EQ(store.getTexture(dir.file(bad)), nullptr) << bad;
    EXPECT_EQ(store.getTexture(""), nullptr);
    auto good = store.getTexture(dir.file("good.png"));
    ASSERT_TRUE(good);
    store.updateDynamicTexture("*DynamicFire_*", 2, 2, kImage);
    EXPECT_EQ(store.getTexture("good.png"), good);
    EXPECT_EQ(store.getTextureNames(), (Names{"good.png", "*DynamicFire_*"}));
}

TEST_F(TextureManagerTest, DynamicTexturesAreCreatedOnceUpdatedInPlaceAndClamp) {
    const std::string name = "*DynamicPlasma_*";
    EXPECT_EQ(store.getTexture(name), nullptr);
    std::vector<std::uint8_t> first(4 * 2 * 4, 7), second(4 * 2 * 4, 200);
    auto created = store.updateDynamicTexture(name, 4, 2, first.data());
    ASSERT_TRUE(created);
    EXPECT_TRUE(created->pixels.empty());
    EXPECT_EQ(texels(created->id, 4, 2), first);
    EXPECT_EQ(parameter(GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(parameter(GL_TEXTURE_WRAP_T), GL_CLAMP);
    auto again = store.updateDynamicTexture(name, 999, 999, second.data());  // later sizes are ignored
    EXPECT_EQ(again, created);
    EXPECT_EQ(again->width, 4);
    EXPECT_EQ(texels(again->id, 4, 2), second);
    EXPECT_EQ(store.getTexture(name), created);
    EXPECT_EQ(store.getTextureNames(), Names{name});
}

TEST(TextureKey, NormalisesSeparatorsAndCutsTheProgramDirectory) {
    setProgramDirectoryOverride("C:\\demo\\bin");
    EXPECT_EQ(TextureManager::normalizeTextureKey("C:\\demo\\bin\\Data\\Textures\\a.png"), "Data/Textures/a.png");
    EXPECT_EQ(TextureManager::normalizeTextureKey("X:/C:/demo/bin/x.png"), "x.png");  // cut after the occurrence
    EXPECT_EQ(TextureManager::normalizeTextureKey("other\\x.png"), "other/x.png");
    EXPECT_EQ(TextureManager::normalizeTextureKey("a.png"), "a.png");  // directory longer than the path
    setProgramDirectoryOverride("/opt/demo");
    EXPECT_EQ(TextureManager::normalizeTextureKey("/opt/demoData.png"), "Data.png");
    setProgramDirectoryOverride("");
}

}  // namespace
