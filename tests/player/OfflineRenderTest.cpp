// The player without a display, as demorender drives it: the project's resolution and music,
// the letterbox inside the requested size, the manual music clock following the rendered time,
// failed loads leaving nothing behind, and the bundled demo loading whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "PlayerTestEffects.h"
#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "core/EffectFactory.h"
#include "core/EffectManager.h"
#include "core/TextureManager.h"
#include "player/OfflineSession.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {

class OfflineRenderTest : public ::testing::Test {
protected:
    void SetUp() override { EffectFactory::registerEffect<FillViewportEffect>("FillViewportEffect"); }
    TempDir dir;
};

// A 4:3 project at 64x36: 48 wide, black bars of 8 columns on each side. The project's music
// file loads, so the music folder is never looked at.
TEST_F(OfflineRenderTest, EveryFrameSeesTheMusicAtExactlyItsTimeAndDrawsInsideTheLetterbox) {
    dir.write("Data/demo.json", R"({"project": {"resolution": [1024, 768], "musicFile": "Data/song.wav"},
                                    "effects": [{"className": "FillViewportEffect", "instanceName": "fill"}]})");
    ASSERT_TRUE(writeTestWav(dir.file("Data/song.wav"), 3.0));
    dir.write("Data/Music/a.wav", "broken; never looked at");
    OfflineSession session;
    ASSERT_TRUE(session.open(dir.path().string(), 64, 36)) << session.error();
    EXPECT_NEAR(session.musicLengthSeconds(), 3.0, 1e-6);
    EXPECT_EQ(session.musicFile(), dir.file("Data/song.wav"));
    auto* fill = dynamic_cast<FillViewportEffect*>(EffectManager::instance().at(0));
    ASSERT_NE(fill, nullptr);
    const HCHANNEL channel = getMusicPlayer()->channel;
    for (float t : {2.5f, 0.25f, 1.0f, 0.0f}) {  // out of order: the timeline is the caller's
        const std::vector<std::uint8_t> rgb = session.renderFrame(t);
        EXPECT_FLOAT_EQ(fill->lastTime, t);
        EXPECT_NEAR(BASS_ChannelBytes2Seconds(channel, BASS_ChannelGetPosition(channel, BASS_POS_BYTE)), t, 1e-4);
        ASSERT_EQ(rgb.size(), 64u * 36u * 3u);
        int wrong = 0;
        for (std::size_t i = 0; i < rgb.size(); ++i) wrong += rgb[i] != (i / 3 % 64 >= 8 && i / 3 % 64 < 56 ? 255 : 0);
        EXPECT_EQ(wrong, 0) << "at " << t;
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
    dir.write("Data/demo.json", "{}");  // the same session opens once there is something to open
    testing::internal::CaptureStderr();
    EXPECT_TRUE(session.open(dir.path().string(), 32, 32)) << session.error();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::filesystem::current_path(), dir.path());
    EXPECT_EQ(session.renderFrame(0.0f), std::vector<std::uint8_t>(32 * 32 * 3, 0));
    session.close();
    EXPECT_EQ(std::filesystem::current_path(), before);
}

// Every effect object of the bundled demo becomes an effect (none dropped as an unknown class),
// together they cover every registered class, every image it names loads, and so does its music.
TEST_F(OfflineRenderTest, TheBundledDemoLoadsEveryEffectEveryClassAndEveryTexture) {
    const std::string folder =
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / ".." / "demo").lexically_normal().string();
    const nlohmann::json project = nlohmann::json::parse(std::ifstream(folder + "/Data/demo.json"));
    OfflineSession session;
    ASSERT_TRUE(session.open(folder, 64, 36)) << session.error();
    EXPECT_GT(session.musicLengthSeconds(), 100.0);
    ASSERT_EQ(EffectManager::instance().size(), project["effects"].size());
    std::set<std::string> classes;
    for (std::size_t i = 0; i < EffectManager::instance().size(); ++i)
        classes.insert(EffectManager::instance().at(i)->getClassName());
    classes.erase("FillViewportEffect");
    std::set<std::string> registered(EffectFactory::registeredNames().begin(), EffectFactory::registeredNames().end());
    registered.erase("FillViewportEffect");
    EXPECT_EQ(classes, registered);
    EXPECT_EQ(registered.size(), 22u);
    for (const nlohmann::json& entry : project["textures"]) {
        const std::string name = entry;
        const auto texture = TextureManager::instance().getTexture(name);
        EXPECT_TRUE(texture && texture->id != 0) << name;
    }
    session.close();
}

}  // namespace
