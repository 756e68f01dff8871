// The loading phase in a temporary demo folder (working and program directory): the project,
// the message texts and icons of every outcome, the "Data/Music/" choice, and playback start.
// A project music file that loads: OfflineRenderTest.
#include <gtest/gtest.h>

#include "PlayerTestEffects.h"
#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "base/Platform.h"
#include "core/EffectFactory.h"
#include "core/EffectManager.h"
#include "core/ProjectGlobals.h"
#include "core/TextureManager.h"
#include "player/LoadingPhase.h"
#include "support/GlFixture.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {

class LoadingPhaseTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        EffectFactory::registerEffect<FillViewportEffect>("FillViewportEffect");
        setProgramDirectoryOverride(dir.path().string());
        audio::setOutputMode(audio::OutputMode::Silent);
        setMessageBoxHandler([this](const std::string& text, const std::string& caption, MessageIcon icon) {
            boxes.push_back(caption + ": " + text + (icon == MessageIcon::Error ? " (error)" : " (warning)"));
        });
    }
    void TearDown() override {
        setMessageBoxHandler(nullptr);
        reset();
        setProgramDirectoryOverride("");
        GlFixture::TearDown();
    }
    static void reset() {
        EffectManager::instance().replaceList({});
        releaseMusic();
        BASS_Free();  // a failed load leaves the output initialised
        resetProjectGlobals();
    }
    // Runs the loading phase from a clean start; its stderr goes to `err`.
    bool load() {
        reset();
        boxes.clear();
        testing::internal::CaptureStderr();
        const bool ok = runLoadingPhase();
        err = testing::internal::GetCapturedStderr();
        return ok;
    }
    static bool playing(const std::string& file) {
        const MusicPlayer* player = getMusicPlayer();
        return player && player->filePath == file && BASS_ChannelIsActive(player->channel) == BASS_ACTIVE_PLAYING;
    }

    TempDir dir{true};
    std::vector<std::string> boxes;
    std::string err;
};

// The first .wav or .mp3 by name; extensions are case-sensitive, sub-folders not searched.
TEST_F(LoadingPhaseTest, MusicFolderChoice) {
    dir.write("Data/Music/a.txt", "not music");
    dir.write("Data/Music/b.mp3", "");
    EXPECT_EQ(findMusicInFolder("Data/Music/"), "Data/Music/b.mp3");
    TempDir other(true);
    other.write("Data/Music/c.WAV", "");
    other.write("Data/Music/a/inner/z.wav", "");
    EXPECT_EQ(findMusicInFolder("Data/Music/"), "");
    other.write("Data/Music/x.mp3", "");
    other.write("Data/Music/y.wav", "");
    EXPECT_EQ(findMusicInFolder("Data/Music/"), "Data/Music/x.mp3");
    EXPECT_EQ(findMusicInFolder("NoSuchFolder/"), "");
}

// Every message box text also goes to stderr as "caption: text".
TEST_F(LoadingPhaseTest, FailuresAndTheMissingMusicWarning) {
    const struct {
        const char *json, *music;
        bool ok;
        std::string box;
    } cases[] = {
        {nullptr, nullptr, false, "Error: Failed to load Data/demo.json"},
        {"{ \"project\": ", nullptr, false, "Error: Failed to load Data/demo.json"},
        {"{}", nullptr, true, "Advarsel: Fant ingen musikkfil i Data/Music/! Starter demo uten lyd."},
        {"{}", "not a wave file", false, "Error: Failed to load music.\nPath tried: 'Data/Music/broken.wav'"},
    };
    for (const auto& c : cases) {
        if (c.json) dir.write("Data/demo.json", c.json);
        if (c.music) dir.write("Data/Music/broken.wav", c.music);
        EXPECT_EQ(load(), c.ok) << c.box;
        EXPECT_EQ(boxes, std::vector<std::string>{c.box + (c.ok ? " (warning)" : " (error)")});
        EXPECT_NE(err.find(c.box + "\n"), std::string::npos) << err;
        EXPECT_EQ(EffectManager::instance().size(), 0u);
        EXPECT_EQ(getMusicPlayer() == nullptr, c.music == nullptr);
    }
    // A project file that fails is not rescued by the folder. The failed first attempt leaves
    // the output initialised, so the second meets the music player's "BASS_Init failed" box.
    dir.write("Data/demo.json", R"({"project": {"musicFile": "Data/Music/missing.wav"}})");
    ASSERT_TRUE(writeTestWav(dir.file("Data/Music/fine.wav"), 1.0));
    EXPECT_FALSE(load());
    const std::string tried = "Error: Failed to load music.\nPath tried: '" + dir.file("Data/Music/missing.wav") + "'";
    EXPECT_EQ(boxes, (std::vector<std::string>{"Music Error: BASS_Init failed (error)", tried + " (error)"}));
}

// Effects of an unknown class are skipped; music from the folder starts playing.
TEST_F(LoadingPhaseTest, EffectsAndFolderMusicLoadAndTheMusicStarts) {
    dir.write("Data/demo.json", R"({"effects": [{"className": "FillViewportEffect", "instanceName": "a"},
        {"className": "NoSuchEffect"}, {"className": "FillViewportEffect", "instanceName": "b"}]})");
    dir.write("Data/Music/a.txt", "");
    ASSERT_TRUE(writeTestWav(dir.file("Data/Music/b.wav"), 1.0));
    EXPECT_TRUE(load()) << err;
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(err, "");
    EXPECT_TRUE(playing("Data/Music/b.wav"));
    EXPECT_EQ(EffectManager::instance().size(), 2u);
    EXPECT_EQ(EffectManager::instance().at(1)->instanceName, "b");
}

}  // namespace
