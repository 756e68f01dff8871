// The texture store on files that are not what they claim: a folder, an unreadable file, an empty
// file and images cut off at half their length in every format the image writer makes. None may
// load (a cut-off image would otherwise show a black or grey rest) and none takes a place in the
// name list; the complete images load.
#include <gtest/gtest.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/ImageFileChecks.h"
#include "core/TextureManager.h"
#include "support/GlFixture.h"
#include "support/TempDir.h"

namespace {

// A check of ImageFileChecks.h on the bytes of `s`.
bool passes(bool (*check)(const std::uint8_t*, std::size_t), const std::string& s) {
    return check(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

class TextureFaultsTest : public GlFixture {
protected:
    void TearDown() override {
        TextureManager::instance().clear();
        GlFixture::TearDown();
    }
    TempDir dir;
};

TEST_F(TextureFaultsTest, FoldersUnreadableEmptyAndTruncatedFilesDoNotLoad) {
    std::vector<std::uint8_t> noise(24 * 20 * 3);
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 97 + (i >> 3) * 31);
    const std::string base = dir.file("image");
    ASSERT_TRUE(stbi_write_png((base + ".png").c_str(), 24, 20, 3, noise.data(), 0));
    ASSERT_TRUE(stbi_write_bmp((base + ".bmp").c_str(), 24, 20, 3, noise.data()));
    stbi_write_tga_with_rle = 0;
    ASSERT_TRUE(stbi_write_tga((base + ".tga").c_str(), 24, 20, 3, noise.data()));
    ASSERT_TRUE(stbi_write_jpg((base + ".jpg").c_str(), 24, 20, 3, noise.data(), 90));
    ASSERT_TRUE(stbi_write_hdr((base + ".hdr").c_str(), 24, 20, 1, std::vector<float>(480, 0.25f).data()));

    TextureManager& store = TextureManager::instance();
    for (const char* extension : {".png", ".bmp", ".tga", ".jpg", ".hdr"}) {
        const std::string complete = base + extension;
        EXPECT_TRUE(store.getTexture(complete)) << extension;
        const std::string content = dir.read("image" + std::string(extension));
        const std::string truncated = dir.write(std::string("cut") + extension, content.substr(0, content.size() / 2));
        EXPECT_FALSE(store.getTexture(truncated)) << "half of " << extension;
    }
    std::filesystem::create_directories(dir.file("folder.png"));
    for (const std::string& bad : {dir.file("folder.png"), std::string("/proc/self/mem"), dir.write("empty.png", "")})
        EXPECT_FALSE(store.getTexture(bad)) << bad;
    EXPECT_EQ(store.textureNames().size(), 5u);
}

// Found by fuzz_image: a JPEG Huffman table declaring more than 256 codes made the decoder write
// past its size table. The check refuses exactly that (256 is the most a table may have); a
// valid JPEG passes it and loads.
TEST_F(TextureFaultsTest, AJpegHuffmanTableWithTooManyCodesIsRefusedBeforeDecoding) {
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
    EXPECT_FALSE(TextureManager::instance().getTexture(dir.write("crafted.jpg", withTable(60))));
    EXPECT_TRUE(TextureManager::instance().getTexture(dir.file("valid.jpg")));
}

// Found by fuzz_image: a PNM header number too long for an int made the decoder's parser
// overflow. Numbers up to 2^24 (the decoder's own limit for a side) pass, comments and white
// space are skipped as the decoder skips them.
TEST_F(TextureFaultsTest, APnmHeaderNumberBeyondTheDecodersLimitIsRefusedBeforeDecoding) {
    const auto fits = [](const std::string& s) { return passes(pnmHeaderNumbersFit, s); };
    EXPECT_TRUE(fits("P6\n16777216 1\n255\n"));
    EXPECT_FALSE(fits("P6\n16777217 1\n255\n"));
    EXPECT_FALSE(fits("P5 # a comment 99999999999\n2 77777777777 255\n"));
    EXPECT_TRUE(fits("P3\n99999999999 1 255\n"));  // text PNM: not decoded at all
    EXPECT_FALSE(TextureManager::instance().getTexture(dir.write("long.ppm", "P6\n12 7777777777777 255\n\x01\x02")));
    EXPECT_TRUE(TextureManager::instance().getTexture(dir.write("ok.ppm", "P6\n1 1 255\n\x01\x02\x03")));
}

// Found by fuzz_image: a 16-bit PNM made the decoder convert 16-bit samples with its 8-bit
// routine when asked for RGBA, overflowing its buffer. The store expands channels itself.
TEST_F(TextureFaultsTest, SixteenBitPnmLoadsWithItsHighBytes) {
    const auto texture = TextureManager::instance().getTexture(
        dir.write("wide.ppm", std::string("P6\n2 1\n65535\n\x12\x34\xAB\xCD\xFF\x00\x00\x00\x80\x00\xFF\xFF", 26)));
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->pixels, (std::vector<std::uint8_t>{0x12, 0xAB, 0xFF, 255, 0x00, 0x80, 0xFF, 255}));
    const auto grey = TextureManager::instance().getTexture(dir.write("grey.pgm", std::string("P5 1 1 65535\n\x7F\x01", 15)));
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->pixels, (std::vector<std::uint8_t>{0x7F, 0x7F, 0x7F, 255}));
}

}  // namespace
