// Texture store against real image files and a real GL context: texels after the flip with
// alpha forced, one texture per key in load order, failed loads (cut-off files in every format
// too), the header checks for the files fuzz_image found, 16-bit PNM, dynamic textures, key
// normalisation.
#include <gtest/gtest.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "base/Platform.h"
#include "core/ImageFileChecks.h"
#include "core/TextureManager.h"
#include "support/GlFixture.h"
#include "support/TempDir.h"

namespace {

using Names = std::vector<std::string>;

// 2 x 2 image, top row red, green; bottom row blue, white (file order: top row first).
const std::uint8_t kImage[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
// Bottom row first, as the store keeps it.
const std::vector<std::uint8_t> kFlipped = {0, 0, 255, 255, 255, 255, 255, 255, 255, 0, 0, 255, 0, 255, 0, 255};

// A check of ImageFileChecks.h on the bytes of `s`.
bool passes(bool (*check)(const std::uint8_t*, std::size_t), const std::string& s) {
    return check(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

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

// Failed loads are not registered and do not shift the positions: missing, not an image, empty,
// a folder, unreadable, too wide, and cut off at half its length in every format the image
// writer makes (it would otherwise show a black or grey rest). An absolute path and its key are
// one texture, which keeps its place before a dynamic one made later.
TEST_F(TextureManagerTest, OneEntryPerKeyInLoadOrder) {
    ASSERT_TRUE(stbi_write_png(dir.file("good.png").c_str(), 2, 2, 4, kImage, 8));
    dir.write("corrupt.png", "\x89PNG\r\n\x1a\nthis is not an image");
    dir.write("empty.png", "");
    std::filesystem::create_directories(dir.path() / "folder.png");
    std::vector<std::uint8_t> wide(static_cast<std::size_t>(TextureManager::kMaxImageSide + 1) * 4, 128);
    ASSERT_TRUE(stbi_write_png(dir.file("wide.png").c_str(), TextureManager::kMaxImageSide + 1, 1, 4, wide.data(), 0));
    std::vector<std::uint8_t> noise(24 * 20 * 3);
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 97 + (i >> 3) * 31);
    ASSERT_TRUE(stbi_write_png(dir.file("n.png").c_str(), 24, 20, 3, noise.data(), 0));
    ASSERT_TRUE(stbi_write_bmp(dir.file("n.bmp").c_str(), 24, 20, 3, noise.data()));
    stbi_write_tga_with_rle = 0;
    ASSERT_TRUE(stbi_write_tga(dir.file("n.tga").c_str(), 24, 20, 3, noise.data()));
    stbi_write_tga_with_rle = 1;
    ASSERT_TRUE(stbi_write_jpg(dir.file("n.jpg").c_str(), 24, 20, 3, noise.data(), 90));
    ASSERT_TRUE(stbi_write_hdr(dir.file("n.hdr").c_str(), 24, 20, 1, std::vector<float>(480, 0.25f).data()));
    Names bad = {"missing.png", "corrupt.png", "empty.png", "folder.png", "wide.png", "/proc/self/mem"};
    for (const std::string extension : {".png", ".bmp", ".tga", ".jpg", ".hdr"}) {
        const std::string content = dir.read("n" + extension);
        bad.push_back(dir.write("cut" + extension, content.substr(0, content.size() / 2)));
    }
    for (const std::string& name : bad) EXPECT_EQ(store.getTexture(dir.file(name)), nullptr) << name;
    EXPECT_EQ(store.getTexture(""), nullptr);
    auto good = store.getTexture(dir.file("good.png"));
    ASSERT_TRUE(good);
    store.updateDynamicTexture("*DynamicFire_*", 2, 2, kImage);
    EXPECT_EQ(store.getTexture("good.png"), good);
    EXPECT_EQ(store.getTextureNames(), (Names{"good.png", "*DynamicFire_*"}));
    for (const char* complete : {"n.png", "n.bmp", "n.tga", "n.jpg", "n.hdr"})
        EXPECT_TRUE(store.getTexture(dir.file(complete))) << complete;
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

// Found by fuzz_image: a JPEG Huffman table declaring more than 256 codes made the decoder write
// past its size table. The check refuses exactly that (256 is the most a table may have); a
// valid JPEG passes it and loads.
TEST_F(TextureManagerTest, AJpegHuffmanTableWithTooManyCodesIsRefusedBeforeDecoding) {
    std::vector<std::uint8_t> pixels(8 * 8 * 3, 90);
    ASSERT_TRUE(stbi_write_jpg(dir.file("valid.jpg").c_str(), 8, 8, 3, pixels.data(), 90));
    const std::string valid = dir.read("valid.jpg");
    // A DHT segment of 16 code lengths, the last holding `last` codes, the others 16 each.
    const auto table = [](int last) {
        const int codes = 240 + last, length = 2 + 17 + codes;
        std::string segment = {'\xFF', '\xC4', static_cast<char>(length >> 8), static_cast<char>(length & 0xFF), 0};
        return segment + std::string(15, 16) + static_cast<char>(last) + std::string(static_cast<std::size_t>(codes), 1);
    };
    // The valid file with that segment after the start marker (and `junk`, which the decoder skips).
    const auto withTable = [&](int last, const std::string& junk = "") {
        return valid.substr(0, 2) + junk + table(last) + valid.substr(2);
    };
    const auto fits = [](const std::string& s) { return passes(jpegHuffmanTablesFit, s); };
    EXPECT_TRUE(fits(valid));
    EXPECT_TRUE(fits(withTable(16)));
    EXPECT_FALSE(fits(withTable(17)));
    EXPECT_FALSE(fits(withTable(17, std::string("\x00\x17", 2))));
    EXPECT_FALSE(fits("\xFF\xFF" + withTable(17)));  // fill bytes before the start marker
    EXPECT_FALSE(fits(valid.substr(0, valid.size() - 2) + table(17) + "\xFF\xD9"));  // after the scan
    EXPECT_FALSE(store.getTexture(dir.write("crafted.jpg", withTable(60))));
    EXPECT_TRUE(store.getTexture(dir.file("valid.jpg")));
    // Also found: a scan naming a table no DHT defined (read uninitialised, indexed past its end).
    std::string undefined = valid;
    const std::size_t scan = undefined.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    undefined[scan + 6] = '\x33';  // the first component's DC and AC tables: 3, never defined
    EXPECT_FALSE(fits(undefined));
    EXPECT_FALSE(store.getTexture(dir.write("undefined.jpg", undefined)));
}

// Found by fuzz_image: a PNM header number too long for an int made the decoder's parser
// overflow. Numbers up to 2^24 (the decoder's own limit for a side) pass, comments and white
// space are skipped as the decoder skips them.
TEST_F(TextureManagerTest, APnmHeaderNumberBeyondTheDecodersLimitIsRefusedBeforeDecoding) {
    const auto fits = [](const std::string& s) { return passes(pnmHeaderNumbersFit, s); };
    EXPECT_TRUE(fits("P6\n16777216 1\n255\n"));
    EXPECT_FALSE(fits("P6\n16777217 1\n255\n"));
    EXPECT_FALSE(fits("P5 # a comment 99999999999\n2 77777777777 255\n"));
    EXPECT_TRUE(fits("P3\n99999999999 1 255\n"));  // text PNM: not decoded at all
    EXPECT_FALSE(store.getTexture(dir.write("long.ppm", "P6\n12 7777777777777 255\n\x01\x02")));
    EXPECT_TRUE(store.getTexture(dir.write("ok.ppm", "P6\n1 1 255\n\x01\x02\x03")));
}

// Found by fuzz_image: a 16-bit PNM made the decoder convert 16-bit samples with its 8-bit
// routine when asked for RGBA, overflowing its buffer. The store expands channels itself.
TEST_F(TextureManagerTest, SixteenBitPnmLoadsWithItsHighBytes) {
    const auto texture = store.getTexture(
        dir.write("wide.ppm", std::string("P6\n2 1\n65535\n\x12\x34\xAB\xCD\xFF\x00\x00\x00\x80\x00\xFF\xFF", 26)));
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->pixels, (std::vector<std::uint8_t>{0x12, 0xAB, 0xFF, 255, 0x00, 0x80, 0xFF, 255}));
    const auto grey = store.getTexture(dir.write("grey.pgm", std::string("P5 1 1 65535\n\x7F\x01", 15)));
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->pixels, (std::vector<std::uint8_t>{0x7F, 0x7F, 0x7F, 255}));
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
