// Project loader: the documented edge cases, every failure row (wrong JSON types anywhere in
// the file included), and saved state coming back.
#include <gtest/gtest.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "audio/MusicPlayer.h"
#include "base/Platform.h"
#include "core/EffectFactory.h"
#include "core/ProjectGlobals.h"
#include "core/ProjectLoader.h"
#include "core/TextureManager.h"
#include "support/GlFixture.h"
#include "support/LogCapture.h"
#include "support/TestEffects.h"
#include "support/WavWriter.h"

namespace {

using Lines = std::vector<std::string>;

class ProjectLoaderTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        EffectFactory::registerEffect<JournalEffect>("JournalEffect");
        EffectFactory::registerEffect<UnboundEffect>("UnboundEffect");
        setProgramDirectoryOverride(dir.path().string());
        releaseMusic();
        audio::setOutputMode(audio::OutputMode::Manual);
        effectJournal().clear();
    }
    void TearDown() override {
        releaseMusic();
        setProgramDirectoryOverride("");
        GlFixture::TearDown();
    }
    // Loads the text as Data/demo.json with a fresh log.
    bool load(const std::string& json) {
        log.restart();
        effects.clear();
        collapsed.clear();
        return loadProject(dir.write("Data/demo.json", json), effects, collapsed);
    }

    TempDir dir;
    LogCapture log;
    EffectList effects;
    std::vector<bool> collapsed;
};

TEST_F(ProjectLoaderTest, AnyRootLoadsWithDefaultsAndTheResolutionIsTruncatedAndKeptPositive) {
    for (const char* text : {"{}", "[1, 2, 3]", R"({"project": 5, "unknown": true})"}) {
        ASSERT_TRUE(load(text)) << text;
        EXPECT_EQ(projectWidth, 960);
        EXPECT_EQ(projectHeight, 540);
        EXPECT_TRUE(musicPath.empty());
        EXPECT_EQ(getMusicPlayer(), nullptr);
        EXPECT_TRUE(effects.empty());
        EXPECT_EQ(log.lines(), Lines{});
    }
    ASSERT_TRUE(load(R"({"project": {"resolution": [640.9, 360]}})"));
    EXPECT_EQ(std::make_pair(projectWidth, projectHeight), std::make_pair(640, 360));
    EXPECT_EQ(log.lines(), Lines{"Loaded Resolution: 640x360"});
    ASSERT_TRUE(load(R"({"project": {"resolution": [true, 0.5]}})"));  // below 1: the default, said so
    EXPECT_EQ(std::make_pair(projectWidth, projectHeight), std::make_pair(960, 540));
    EXPECT_EQ(log.lines(), (Lines{"Loaded Resolution: 1x0", "Invalid resolution 1x0, using 960x540"}));
    ASSERT_TRUE(load(R"({"project": {"resolution": [-1e300, 1e300]}})"));  // no overflow
    EXPECT_EQ(projectWidth, 960);
}

// Unknown classes are skipped; effects given as an object come in key order.
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
    EXPECT_EQ(collapsed, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(log.lines(), (Lines{"EffectFactory: Unknown effect type 'NoSuchEffect'",
                                  "EffectFactory: Unknown effect type ''", "updateAllTracks called"}));
    ASSERT_TRUE(load(R"({"effects": {"b": {"className": "JournalEffect", "instanceName": "second"},
                                     "a": {"className": "JournalEffect", "instanceName": "first"}}})"));
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(effects[0]->instanceName, "first");
}

TEST_F(ProjectLoaderTest, SavedTracksComeBackAndThePostPassRunsAtTimeZero) {
    ASSERT_TRUE(load(R"({"effects": [{"className": "JournalEffect", "instanceName": "fx",
        "textures": ["", "Data/Textures/x.png"],
        "tracks": [{"name": "speed", "keys": [[0, {"value": -4, "interp": "linear"}], [2, {"value": 6}]]},
                   {"name": "mode", "keys": [[0, {"value": 3, "interp": "step"}]]}]}]})"));
    ASSERT_EQ(effects.size(), 1u);
    auto* fx = static_cast<JournalEffect*>(effects[0].get());
    EXPECT_EQ(fx->initCount, 1);
    EXPECT_EQ(fx->speed, -4.0f);  // evaluated at time 0
    EXPECT_EQ(fx->mode, 3.0f);
    fx->updateAllTracks(2.0f);
    EXPECT_FLOAT_EQ(fx->speed, 6.0f);
    // fromJson stored both slots, the post-pass the non-empty one again; then onUpdate(0) ran.
    EXPECT_EQ(effectJournal(), (Lines{"texture:0=", "texture:1=Data/Textures/x.png", "texture:1=Data/Textures/x.png",
                                      "update:fx@0.000000", "update:fx@2.000000"}));
}

TEST_F(ProjectLoaderTest, TexturesAndMusicLoadRelativeToTheProgramDirectory) {
    const std::uint8_t pixel[] = {1, 2, 3, 255};
    std::filesystem::create_directories(dir.path() / "Data/Textures");
    ASSERT_TRUE(stbi_write_png(dir.file("Data/Textures/b.png").c_str(), 1, 1, 4, pixel, 4));
    ASSERT_TRUE(stbi_write_png(dir.file("Data/Textures/a.png").c_str(), 1, 1, 4, pixel, 4));
    ASSERT_TRUE(writeTestWav(dir.file("Data/Music/song.wav"), 0.5));
    ASSERT_TRUE(load(R"({"project": {"musicFile": "Data/Music/song.wav"},
                         "textures": ["Data/Textures/b.png", "Data/Textures/missing.png", "Data/Textures/a.png"]})"));
    EXPECT_EQ(TextureManager::instance().getTextureNames(), (Lines{"Data/Textures/b.png", "Data/Textures/a.png"}));
    EXPECT_EQ(musicPath, dir.file("Data/Music/song.wav"));
    ASSERT_TRUE(getMusicPlayer());
    EXPECT_NE(getMusicPlayer()->channel, 0u);
    EXPECT_EQ(log.lines().back(), "OK Music loaded: " + musicPath);

    ASSERT_TRUE(load(R"({"project": {"musicFile": ""}, "effects": [{"className": "JournalEffect"}]})"));
    EXPECT_EQ(musicPath, dir.path().string() + "/");
    EXPECT_EQ(effects.size(), 1u) << "the load goes on";
    const Lines lines = log.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(Lines(lines.end() - 2, lines.end()),
              (Lines{"X Failed to load music from " + musicPath, "updateAllTracks called"}));
}

// Parse errors and values of a wrong type anywhere (project, textures, effect, track, key) fail
// the load with one line, keeping nothing; a missing file has a line of its own.
TEST_F(ProjectLoaderTest, EveryFailureLogsOneLineAndKeepsNothing) {
    EXPECT_FALSE(loadProject(dir.file("Data/none.json"), effects, collapsed));
    EXPECT_EQ(log.lines(), Lines{"Fant ingen prosjektfil: " + dir.file("Data/none.json")});
    std::vector<std::string> documents = {
        R"({"effects": [ {"className": "JournalEffect"}, )", R"({"project": {"musicFile": 12}})",
        R"({"project": {"resolution": "1920x1080"}})", R"({"project": {"resolution": [1920]}})",
        R"({"project": {"resolution": ["1920", "1080"]}})", R"({"textures": [["a.png"]]})", R"({"effects": [5]})",
        R"({"effects": [{"className": 7}]})"};
    // In an effect after a good one, which is dropped too; then in its track "speed".
    const std::string effect = R"({"effects": [{"className": "JournalEffect"}, {"className": "JournalEffect", )";
    for (const char* member : {R"("collapsed": 1)", R"("instanceName": 5)", R"("textures": "a.png")",
                               R"("textures": [1])", R"("tracks": [{"name": 3}])"})
        documents.push_back(effect + member + "}]}");
    for (const char* member : {R"("audioSource": "low")", R"("keys": 3)", R"("keys": [[1]])", R"("keys": [[1, 2]])",
                               R"("keys": [[1, {"value": "big"}]])"})
        documents.push_back(effect + R"("tracks": [{"name": "speed", )" + member + "}]}]}");
    for (const std::string& text : documents) {
        EXPECT_FALSE(load(text)) << text;
        EXPECT_TRUE(effects.empty()) << text;
        EXPECT_TRUE(collapsed.empty()) << text;
        EXPECT_EQ(projectWidth, 960) << text;
        const Lines lines = log.lines();
        ASSERT_EQ(lines.size(), 1u) << text;
        EXPECT_TRUE(lines[0].starts_with("JSON Parse Error i filen: [json.exception.")) << lines[0];
    }
    ASSERT_FALSE(load(R"({"effects": [ )"));
    EXPECT_NE(log.lines()[0].find("parse_error"), std::string::npos) << log.lines()[0];
}

}  // namespace
