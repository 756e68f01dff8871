// Project loader: the documented edge cases, every failure row, and saved state coming back.
#include <gtest/gtest.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "base/Logger.h"
#include "base/Platform.h"
#include "core/EffectFactory.h"
#include "core/ProjectGlobals.h"
#include "core/ProjectLoader.h"
#include "core/TextureManager.h"
#include "support/GlFixture.h"
#include "support/TempDir.h"
#include "support/TestEffects.h"
#include "support/WavWriter.h"

namespace {

class ProjectLoaderTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        EffectFactory::registerEffect<JournalEffect>("JournalEffect");
        EffectFactory::registerEffect<UnboundEffect>("UnboundEffect");
        setProgramDirectoryOverride(dir.path().string());
        resetProjectGlobals();
        releaseMusic();
        audio::setOutputMode(audio::OutputMode::Manual);
        effectJournal().clear();
        Logger::instance().forgetSeenMessages();
        Logger::instance().open(dir.file("log.txt"), true);
    }
    void TearDown() override {
        Logger::instance().close();
        releaseMusic();
        TextureManager::instance().clear();
        setProgramDirectoryOverride("");
        resetProjectGlobals();
        GlFixture::TearDown();
    }
    bool load(const std::string& json) {
        effects.clear();
        collapsed.clear();
        return loadProject(dir.write("Data/demo.json", json), effects, collapsed);
    }
    void restartLog() {
        Logger::instance().close();
        Logger::instance().open(dir.file("log.txt"), true);  // truncates
    }
    // Log lines without their "[HH:MM:SS] " stamps.
    std::vector<std::string> logLines() {
        std::vector<std::string> lines;
        std::istringstream in(dir.read("log.txt"));
        for (std::string line; std::getline(in, line);) lines.push_back(line.size() > 11 ? line.substr(11) : line);
        return lines;
    }
    void writeWav(const std::string& name) {
        std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
        ASSERT_TRUE(writeWavFile(dir.file(name), std::vector<std::int16_t>(44100, 1000), 1, 44100));
    }

    TempDir dir;
    EffectList effects;
    std::vector<bool> collapsed;
};

TEST_F(ProjectLoaderTest, AnEmptyObjectLoadsWithDefaults) {
    ASSERT_TRUE(load("{}"));
    EXPECT_EQ(projectWidth, 960);
    EXPECT_EQ(projectHeight, 540);
    EXPECT_TRUE(musicPath.empty());
    EXPECT_EQ(getMusicPlayer(), nullptr);
    EXPECT_TRUE(effects.empty());
    EXPECT_TRUE(logLines().empty());
    EXPECT_TRUE(load("[1, 2, 3]"));  // other roots are valid and empty
    EXPECT_TRUE(load(R"({"project": 5, "unknown": true})"));
    EXPECT_EQ(projectWidth, 960);
}

TEST_F(ProjectLoaderTest, AMissingFileLogsAndFails) {
    EXPECT_FALSE(loadProject(dir.file("Data/none.json"), effects, collapsed));
    EXPECT_EQ(logLines(), std::vector<std::string>{"Fant ingen prosjektfil: " + dir.file("Data/none.json")});
}

TEST_F(ProjectLoaderTest, InvalidJsonLogsTheParserMessageAndFails) {
    EXPECT_FALSE(load(R"({"effects": [ {"className": "JournalEffect"}, )"));
    ASSERT_EQ(logLines().size(), 1u);
    EXPECT_EQ(logLines()[0].rfind("JSON Parse Error i filen: [json.exception.parse_error", 0), 0u) << logLines()[0];
    EXPECT_NE(logLines()[0].find("line 1"), std::string::npos);
    EXPECT_TRUE(effects.empty());
}

TEST_F(ProjectLoaderTest, ResolutionIsTruncatedLoggedAndKeptPositive) {
    ASSERT_TRUE(load(R"({"project": {"resolution": [640.9, 360]}})"));
    EXPECT_EQ(projectWidth, 640);
    EXPECT_EQ(projectHeight, 360);
    EXPECT_EQ(logLines(), std::vector<std::string>{"Loaded Resolution: 640x360"});

    restartLog();  // below 1: the default, with a line saying so
    ASSERT_TRUE(load(R"({"project": {"resolution": [true, 0.5]}})"));
    EXPECT_EQ(projectWidth, 960);
    EXPECT_EQ(projectHeight, 540);
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Loaded Resolution: 1x0", "Invalid resolution 1x0, using 960x540"}));
    ASSERT_TRUE(load(R"({"project": {"resolution": [-1e300, 1e300]}})"));  // no overflow
    EXPECT_EQ(projectWidth, 960);
}

TEST_F(ProjectLoaderTest, EffectsAreCreatedInOrderSkippingUnknownClasses) {
    ASSERT_TRUE(load(R"({"effects": [
        {"className": "JournalEffect", "instanceName": "one", "collapsed": true},
        {"className": "NoSuchEffect", "instanceName": "skipped"},
        {"instanceName": "no class"},
        {"className": "UnboundEffect", "instanceName": "two"},
        {"className": "JournalEffect", "instanceName": "three"}]})"));
    ASSERT_EQ(effects.size(), 3u);
    EXPECT_EQ(effects[0]->instanceName, "one");
    EXPECT_EQ(effects[1]->instanceName, "two");
    EXPECT_EQ(effects[2]->instanceName, "three");
    EXPECT_NE(effects[0].get(), effects[2].get());
    EXPECT_EQ(collapsed, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(logLines(), (std::vector<std::string>{"EffectFactory: Unknown effect type 'NoSuchEffect'",
                                                    "EffectFactory: Unknown effect type ''",
                                                    "updateAllTracks called"}));
}

TEST_F(ProjectLoaderTest, EffectsAsAnObjectAreReadInKeyOrder) {
    ASSERT_TRUE(load(R"({"effects": {"b": {"className": "JournalEffect", "instanceName": "second"},
                                     "a": {"className": "JournalEffect", "instanceName": "first"}}})"));
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(effects[0]->instanceName, "first");
}

TEST_F(ProjectLoaderTest, SavedTracksComeBackAndThePostPassRunsAtTimeZero) {
    ASSERT_TRUE(load(R"({"effects": [{"className": "JournalEffect", "instanceName": "fx",
        "textures": ["", "Data/Textures/x.png"],
        "tracks": [{"name": "speed", "audioSource": 0, "keys": [[0, {"value": -4, "interp": "linear"}],
                                                                 [2, {"value": 6, "interp": "linear"}]]},
                   {"name": "mode", "keys": [[0, {"value": 3, "interp": "step"}]]}]}]})"));
    ASSERT_EQ(effects.size(), 1u);
    auto* fx = static_cast<JournalEffect*>(effects[0].get());
    EXPECT_EQ(fx->initCount, 1);
    EXPECT_EQ(fx->speed, -4.0f);  // evaluated at time 0
    EXPECT_EQ(fx->mode, 3.0f);
    fx->updateAllTracks(1.0f);
    EXPECT_FLOAT_EQ(fx->speed, -4.0f);  // a key at time 0 holds until the next key
    fx->updateAllTracks(2.0f);
    EXPECT_FLOAT_EQ(fx->speed, 6.0f);
    // fromJson stored both slots, the post-pass the non-empty one again; then onUpdate(0) ran.
    EXPECT_EQ(effectJournal(), (std::vector<std::string>{"texture:0=", "texture:1=Data/Textures/x.png", "texture:1=Data/Textures/x.png",
                                                          "update:fx@0.000000", "update:fx@1.000000",
                                                          "update:fx@2.000000"}));
}

TEST_F(ProjectLoaderTest, ProjectTexturesAreRegisteredFirstInFileOrder) {
    const std::uint8_t pixel[] = {1, 2, 3, 255};
    std::filesystem::create_directories(dir.path() / "Data/Textures");
    ASSERT_TRUE(stbi_write_png(dir.file("Data/Textures/b.png").c_str(), 1, 1, 4, pixel, 4));
    ASSERT_TRUE(stbi_write_png(dir.file("Data/Textures/a.png").c_str(), 1, 1, 4, pixel, 4));
    ASSERT_TRUE(load(R"({"textures": ["Data/Textures/b.png", "Data/Textures/missing.png", "Data/Textures/a.png"]})"));
    EXPECT_EQ(TextureManager::instance().getTextureNames(),
              (std::vector<std::string>{"Data/Textures/b.png", "Data/Textures/a.png"}));
}

TEST_F(ProjectLoaderTest, MusicIsLoadedRelativeToTheProgramDirectory) {
    writeWav("Data/Music/song.wav");
    ASSERT_TRUE(load(R"({"project": {"musicFile": "Data/Music/song.wav"}})"));
    EXPECT_EQ(musicPath, dir.file("Data/Music/song.wav"));
    ASSERT_TRUE(getMusicPlayer());
    EXPECT_NE(getMusicPlayer()->channel, 0u);
    std::vector<std::string> lines = logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "OK Music loaded: " + musicPath), lines.end());
}

TEST_F(ProjectLoaderTest, UnloadableMusicIsLoggedAndTheLoadContinues) {
    ASSERT_TRUE(load(R"({"project": {"musicFile": ""}, "effects": [{"className": "JournalEffect"}]})"));
    EXPECT_EQ(musicPath, dir.path().string() + "/");
    EXPECT_EQ(effects.size(), 1u);
    std::vector<std::string> lines = logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "X Failed to load music from " + musicPath), lines.end());
}

TEST_F(ProjectLoaderTest, EveryWrongTypeFailsTheLoadWithOneLineAndNothingKept) {
    const char* bad[] = {
        R"({"effects": [5]})",
        R"({"effects": [{"className": 7}]})",
        R"({"effects": [{"className": "JournalEffect", "collapsed": 1}]})",
        R"({"effects": [{"className": "JournalEffect"}, {"className": "JournalEffect", "tracks": [{"name": "speed", "keys": 3}]}]})",
        R"({"project": {"musicFile": 12}})",
        R"({"project": {"resolution": "1920x1080"}})",
        R"({"project": {"resolution": [1920]}})",
        R"({"project": {"resolution": ["1920", "1080"]}})",
        R"({"textures": [3]})",
        R"({"textures": [["a.png"]]})",
    };
    for (const char* text : bad) {
        restartLog();
        effectJournal().clear();
        EXPECT_FALSE(load(text)) << text;
        EXPECT_TRUE(effects.empty()) << text;
        EXPECT_TRUE(collapsed.empty()) << text;
        EXPECT_EQ(projectWidth, 960) << text;
        std::vector<std::string> lines = logLines();
        ASSERT_EQ(lines.size(), 1u) << text;
        EXPECT_EQ(lines[0].rfind("JSON Parse Error i filen: [json.exception.", 0), 0u) << lines[0];
    }
}

}  // namespace
