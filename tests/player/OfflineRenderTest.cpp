// The player without a display, as demorender drives it: the letterbox inside the requested
// size (a 4:3 project at 1920x1080 draws only between bars of exactly 240 pixels), the manual
// music clock following the rendered time, and failed loads leaving nothing behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "core/EffectFactory.h"
#include "core/EffectManager.h"
#include "core/ProjectGlobals.h"
#include "player/OfflineSession.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"
#include "PlayerTestEffects.h"

namespace {

class OfflineRenderTest : public ::testing::Test {
protected:
    void SetUp() override { EffectFactory::registerEffect<FillViewportEffect>("FillViewportEffect"); }

    void wav(const std::string& name, double seconds) {
        std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
        std::vector<std::int16_t> samples(static_cast<std::size_t>(44100 * seconds) * 2, 0);
        ASSERT_TRUE(writeWavFile(dir.file(name), samples, 2, 44100));
    }

    TempDir dir;
};

}  // namespace

TEST_F(OfflineRenderTest, AFourByThreeProjectAt1920x1080DrawsOnlyInsideTheLetterbox) {
    dir.write("Data/demo.json", R"({"project": {"resolution": [1024, 768]},
                                    "effects": [{"className": "FillViewportEffect", "instanceName": "fill"}]})");
    OfflineSession session;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(session.open(dir.path().string(), 1920, 1080)) << session.error();
    testing::internal::GetCapturedStderr();  // the no-music warning

    const std::vector<std::uint8_t> rgb = session.renderFrame(0.0f);
    ASSERT_EQ(rgb.size(), 1920u * 1080u * 3u);
    // Width 1080 * 4/3 = 1440, bars (1920 - 1440) / 2 = 240 on each side, full height.
    int wrong = 0;
    for (int y = 0; y < 1080; y += 7) {
        for (int x = 0; x < 1920; ++x) {
            const std::uint8_t expected = (x >= 240 && x < 1680) ? 255 : 0;
            const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * 1920 + x) * 3];
            if (p[0] != expected || p[1] != expected || p[2] != expected) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
    // The very first and last rows and the columns at the bar edges, exactly.
    for (int y : {0, 1079}) {
        for (int x : {239, 240, 1679, 1680}) {
            const std::uint8_t expected = (x >= 240 && x < 1680) ? 255 : 0;
            EXPECT_EQ(rgb[(static_cast<std::size_t>(y) * 1920 + x) * 3], expected) << x << "," << y;
        }
    }
    session.close();
}

TEST_F(OfflineRenderTest, EveryFrameSeesTheMusicAtExactlyItsTime) {
    dir.write("Data/demo.json", R"({"project": {"resolution": [64, 36], "musicFile": "Data/Music/song.wav"},
                                    "effects": [{"className": "FillViewportEffect", "instanceName": "fill"}]})");
    wav("Data/Music/song.wav", 3.0);
    OfflineSession session;
    ASSERT_TRUE(session.open(dir.path().string(), 64, 36)) << session.error();
    ASSERT_TRUE(session.hasMusic());
    EXPECT_NEAR(session.musicLengthSeconds(), 3.0, 1e-6);
    EXPECT_EQ(session.musicFile(), dir.path().string() + "/Data/Music/song.wav");

    auto* fill = dynamic_cast<FillViewportEffect*>(EffectManager::instance().at(0));
    ASSERT_NE(fill, nullptr);
    const HCHANNEL channel = getMusicPlayer()->channel;
    // Out of order on purpose: the timeline is whatever the caller asks for.
    for (float t : {2.5f, 0.25f, 1.0f, 0.0f}) {
        session.renderFrame(t);
        EXPECT_FLOAT_EQ(fill->lastTime, t);
        EXPECT_NEAR(BASS_ChannelBytes2Seconds(channel, BASS_ChannelGetPosition(channel, BASS_POS_BYTE)), t, 1e-4);
    }
    session.close();
    EXPECT_EQ(getMusicPlayer(), nullptr);
    EXPECT_EQ(EffectManager::instance().size(), 0u);
}

TEST_F(OfflineRenderTest, AFailedLoadReportsAndRestoresTheWorkingDirectory) {
    const std::filesystem::path before = std::filesystem::current_path();
    OfflineSession session;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(session.open(dir.path().string(), 32, 32));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Failed to load Data/demo.json\n");
    EXPECT_EQ(std::filesystem::current_path(), before);

    EXPECT_FALSE(session.open(dir.file("missing-folder"), 32, 32));
    EXPECT_NE(session.error().find("does not exist"), std::string::npos);
    EXPECT_EQ(std::filesystem::current_path(), before);

    // The same session opens fine once there is something to open.
    dir.write("Data/demo.json", "{}");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(session.open(dir.path().string(), 32, 32)) << session.error();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Advarsel: Fant ingen musikkfil i Data/Music/! Starter demo uten lyd.\n");
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(dir.path()));
    const std::vector<std::uint8_t> black = session.renderFrame(0.0f);
    EXPECT_EQ(black, std::vector<std::uint8_t>(32 * 32 * 3, 0));
    session.close();
    EXPECT_EQ(std::filesystem::current_path(), before);
}
