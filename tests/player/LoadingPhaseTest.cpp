// The loading phase in a temporary demo folder (working and program directory): the project,
// the message texts and icons of every outcome, the "Data/Music/" choice, and playback start.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "core/EffectFactory.h"
#include "core/EffectManager.h"
#include "core/Platform.h"
#include "core/ProjectGlobals.h"
#include "core/TextureManager.h"
#include "player/LoadingPhase.h"
#include "support/GlFixture.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"
#include "PlayerTestEffects.h"

namespace {

struct Box {
    std::string text, caption;
    MessageIcon icon;
};

class LoadingPhaseTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        EffectFactory::registerEffect<FillViewportEffect>("FillViewportEffect");
        setProgramDirectoryOverride(dir.path().string());
        resetProjectGlobals();
        releaseMusic();
        BASS_Free();
        audio::setOutputMode(audio::OutputMode::Silent);
        setMessageBoxHandler([this](const std::string& text, const std::string& caption, MessageIcon icon) {
            boxes.push_back({text, caption, icon});
        });
    }
    void TearDown() override {
        setMessageBoxHandler(nullptr);
        EffectManager::instance().replaceList({});
        releaseMusic();
        BASS_Free();  // a failed load leaves the output initialised
        TextureManager::instance().clear();
        setProgramDirectoryOverride("");
        resetProjectGlobals();
        GlFixture::TearDown();
    }
    void wav(const std::string& name, double seconds = 1.0) {
        std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
        std::vector<std::int16_t> samples(static_cast<std::size_t>(44100 * seconds) * 2, 100);
        ASSERT_TRUE(writeWavFile(dir.file(name), samples, 2, 44100));
    }
    // Runs the loading phase and returns its result; stderr goes to `err`.
    bool load() {
        testing::internal::CaptureStderr();
        const bool ok = runLoadingPhase();
        err = testing::internal::GetCapturedStderr();
        return ok;
    }
    static bool playing() {
        MusicPlayer* player = getMusicPlayer();
        return player && player->channel && BASS_ChannelIsActive(player->channel) == BASS_ACTIVE_PLAYING;
    }

    TempDir dir{true};
    std::vector<Box> boxes;
    std::string err;
};

}  // namespace

TEST_F(LoadingPhaseTest, MusicFolderChoice) {
    dir.write("Data/Music/a.txt", "not music");
    dir.write("Data/Music/b.mp3", "");
    EXPECT_EQ(findMusicInFolder("Data/Music/"), "Data/Music/b.mp3");

    TempDir other(true);
    other.write("Data/Music/c.WAV", "");
    other.write("Data/Music/d.Mp3", "");
    EXPECT_EQ(findMusicInFolder("Data/Music/"), "");
    // The first entry by name that has either extension, whatever the extension's rank.
    other.write("Data/Music/x.mp3", "");
    other.write("Data/Music/y.wav", "");
    EXPECT_EQ(findMusicInFolder("Data/Music/"), "Data/Music/x.mp3");
    other.write("Data/Music/m.wav", "");
    EXPECT_EQ(findMusicInFolder("Data/Music/"), "Data/Music/m.wav");
    // Sub-folders are not searched, but a folder named like music is an entry like any other.
    std::filesystem::create_directories(other.path() / "Data/Music/a/inner");
    other.write("Data/Music/a/inner/z.wav", "");
    EXPECT_EQ(findMusicInFolder("Data/Music/"), "Data/Music/m.wav");
    std::filesystem::create_directories(other.path() / "Data/Music/0.wav");
    EXPECT_EQ(findMusicInFolder("Data/Music/"), "Data/Music/0.wav");

    EXPECT_EQ(findMusicInFolder("NoSuchFolder/"), "");
}

TEST_F(LoadingPhaseTest, AMissingOrBrokenProjectIsFatalWithTheErrorBox) {
    EXPECT_FALSE(load());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Failed to load Data/demo.json");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].icon, MessageIcon::Error);
    EXPECT_EQ(err, "Error: Failed to load Data/demo.json\n");

    boxes.clear();
    dir.write("Data/demo.json", "{ \"project\": ");
    EXPECT_FALSE(load());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Failed to load Data/demo.json");
    EXPECT_EQ(EffectManager::instance().size(), 0u);
    EXPECT_EQ(getMusicPlayer(), nullptr);
}

TEST_F(LoadingPhaseTest, NoMusicAnywhereWarnsAndRunsSilently) {
    dir.write("Data/demo.json", "{}");
    EXPECT_TRUE(load());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Fant ingen musikkfil i Data/Music/! Starter demo uten lyd.");
    EXPECT_EQ(boxes[0].caption, "Advarsel");
    EXPECT_EQ(boxes[0].icon, MessageIcon::Warning);
    EXPECT_EQ(err, "Advarsel: Fant ingen musikkfil i Data/Music/! Starter demo uten lyd.\n");
    EXPECT_EQ(getMusicPlayer(), nullptr);

    // A folder with nothing that matches is the same.
    boxes.clear();
    dir.write("Data/Music/readme.txt", "");
    dir.write("Data/Music/c.WAV", "");
    EXPECT_TRUE(load());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Advarsel");
}

TEST_F(LoadingPhaseTest, MusicFromTheFolderIsLoadedAndStarted) {
    dir.write("Data/demo.json", R"({"effects": [{"className": "FillViewportEffect", "instanceName": "one"},
                                                {"className": "FillViewportEffect", "instanceName": "two"}]})");
    wav("Data/Music/b.wav");
    dir.write("Data/Music/a.txt", "");
    EXPECT_TRUE(load()) << err;
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(err, "");
    ASSERT_NE(getMusicPlayer(), nullptr);
    EXPECT_EQ(getMusicPlayer()->filePath, "Data/Music/b.wav");
    EXPECT_TRUE(playing());
    ASSERT_EQ(EffectManager::instance().size(), 2u);
    EXPECT_EQ(EffectManager::instance().at(0)->instanceName, "one");
    EXPECT_EQ(EffectManager::instance().at(1)->instanceName, "two");
}

TEST_F(LoadingPhaseTest, UnloadableMusicIsFatalAndNamesThePathTried) {
    dir.write("Data/demo.json", "{}");
    dir.write("Data/Music/broken.wav", "this is not a wave file");
    EXPECT_FALSE(load());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Failed to load music.\nPath tried: 'Data/Music/broken.wav'");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].icon, MessageIcon::Error);
    EXPECT_NE(err.find("Error: Failed to load music.\nPath tried: 'Data/Music/broken.wav'\n"), std::string::npos);
}

TEST_F(LoadingPhaseTest, AProjectMusicFileThatFailsIsTriedAgainAndIsFatal) {
    // A loadable file in the folder does not rescue a named file that fails. The failed first
    // attempt leaves the audio output initialised, so the second one meets the music player's
    // own "BASS_Init failed" box before the loading phase's.
    dir.write("Data/demo.json", R"({"project": {"musicFile": "Data/Music/missing.wav"}})");
    wav("Data/Music/fine.wav");
    EXPECT_FALSE(load());
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Music Error");
    EXPECT_EQ(boxes[1].text, "Failed to load music.\nPath tried: '" + dir.path().string() + "/Data/Music/missing.wav'");
    EXPECT_EQ(boxes[1].caption, "Error");
    EXPECT_EQ(boxes[1].icon, MessageIcon::Error);

    // An empty name joins to the program directory and "/", which fails the same way.
    boxes.clear();
    releaseMusic();
    BASS_Free();
    resetProjectGlobals();
    dir.write("Data/demo.json", R"({"project": {"musicFile": ""}})");
    EXPECT_FALSE(load());
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, "Failed to load music.\nPath tried: '" + dir.path().string() + "/'");
}

TEST_F(LoadingPhaseTest, AProjectMusicFileThatLoadsSkipsTheFolder) {
    dir.write("Data/demo.json", R"({"project": {"resolution": [800, 600], "musicFile": "Data/song.wav"}})");
    wav("Data/song.wav");
    dir.write("Data/Music/a.wav", "broken; never looked at");
    EXPECT_TRUE(load()) << err;
    EXPECT_TRUE(boxes.empty());
    ASSERT_NE(getMusicPlayer(), nullptr);
    EXPECT_EQ(getMusicPlayer()->filePath, dir.path().string() + "/Data/song.wav");
    EXPECT_TRUE(playing());
    EXPECT_EQ(projectWidth, 800);
    EXPECT_EQ(projectHeight, 600);
}

TEST_F(LoadingPhaseTest, UnknownClassesAreSkippedAndAThousandEffectsLoad) {
    std::string effects;
    for (int i = 0; i < 1000; ++i) {
        effects += std::string(i ? "," : "") + R"({"className": ")" + (i % 100 == 7 ? "NoSuchEffect" : "FillViewportEffect") +
                   R"(", "instanceName": "e)" + std::to_string(i) + "\"}";
    }
    dir.write("Data/demo.json", "{\"effects\": [" + effects + "]}");
    wav("Data/Music/m.wav");
    EXPECT_TRUE(load()) << err;
    EXPECT_EQ(EffectManager::instance().size(), 990u);
    EXPECT_EQ(EffectManager::instance().at(7)->instanceName, "e8");
}
