// Effect base: the enabled track, standard track creation, update and render protocol, the
// effect object written and read back.
#include <gtest/gtest.h>

#include "audio/MusicPlayer.h"
#include "support/TestEffects.h"

namespace {

using nlohmann::json;

class EffectTest : public ::testing::Test {
protected:
    void SetUp() override {
        releaseMusic();
        effectJournal().clear();
    }
};

TEST_F(EffectTest, InitMakesTheEnabledTrackFirstThenTheClassTracks) {
    JournalEffect effect;
    effect.init();
    ASSERT_EQ(effect.tracks.size(), 3u);
    auto* enabled = effect.findTrack("enabled");
    ASSERT_EQ(static_cast<ITrack*>(enabled), effect.tracks[0]);
    EXPECT_TRUE(enabled->snapToInteger);
    EXPECT_EQ(enabled->minValue, 0.0f);
    EXPECT_EQ(enabled->maxValue, 1.0f);
    EXPECT_EQ(enabled->keys.at(0.0f).interp, InterpType::Step);
    EXPECT_EQ(enabled->keys.at(0.0f).value, 1.0f);
    EXPECT_EQ(enabled->target, &effect.enabled);

    auto* mode = effect.findTrack("mode");
    EXPECT_EQ(effect.tracks[2], static_cast<ITrack*>(mode));
    EXPECT_TRUE(mode->snapToInteger);
    EXPECT_EQ(mode->keys.at(0.0f).interp, InterpType::Step);
    EXPECT_EQ(effect.mode, 2.0f);  // bound and evaluated at time 0
    EXPECT_EQ(effect.speed, 3.0f);
    EXPECT_EQ(effect.findTrack("speed")->keys.at(0.0f).interp, InterpType::Linear);
    EXPECT_EQ(effect.findTrack("nothing"), nullptr);
}

TEST_F(EffectTest, InitKeepsAnEnabledValueSetBeforeIt) {
    JournalEffect effect;
    effect.enabled = 0.0f;
    effect.init();
    EXPECT_EQ(effect.findTrack("enabled")->keys.at(0.0f).value, 0.0f);
    EXPECT_EQ(effect.enabled, 0.0f);
}

TEST_F(EffectTest, AddTrackReturnsTheExistingTrack) {
    JournalEffect effect;
    effect.init();
    KeyframeTrack* again = effect.addTrack("speed");
    EXPECT_EQ(again, effect.findTrack("speed"));
    EXPECT_EQ(effect.tracks.size(), 3u);
    // Re-creating "enabled" rebinds the same track, as the grayscale overlay does.
    float own = 0.0f;
    KeyframeTrack* enabled = effect.createTrack("enabled", &own, 0.0f, 1.0f, 1.0f, false, InterpType::Step);
    EXPECT_EQ(static_cast<ITrack*>(enabled), effect.tracks[0]);
    EXPECT_EQ(enabled->target, &own);
    EXPECT_FALSE(enabled->snapToInteger);
}

TEST_F(EffectTest, UpdateEvaluatesAllTracksAndCallsOnUpdateOnlyWhenEnabled) {
    JournalEffect effect;
    effect.instanceName = "fx";
    effect.init();
    KeyframeTrack* enabled = effect.findTrack("enabled");
    enabled->setKey(10.0f, 0.0f, InterpType::Step);
    enabled->setKey(20.0f, 0.5f, InterpType::Step);
    effect.findTrack("speed")->setKey(10.0f, 5.0f, InterpType::Linear);
    effect.findTrack("speed")->setKey(20.0f, 7.0f, InterpType::Linear);

    effect.updateAllTracks(5.0f);
    effect.render();
    effect.updateAllTracks(15.0f);  // disabled: tracks still move
    effect.render();
    EXPECT_FLOAT_EQ(effect.speed, 6.0f);
    effect.updateAllTracks(25.0f);  // exactly 0.5: on
    effect.render();
    EXPECT_EQ(effectJournal(), (std::vector<std::string>{"update:fx@5.000000", "render:fx", "update:fx@25.000000",
                                                          "render:fx"}));
}

TEST_F(EffectTest, UnboundTracksAreReadByName) {
    UnboundEffect effect;
    effect.init();
    EXPECT_EQ(effect.tracks.size(), 2u);  // alpha from the constructor, then enabled
    effect.updateAllTracks(1.0f);
    EXPECT_FLOAT_EQ(effect.trackValue("alpha"), 0.25f);
    EXPECT_EQ(effect.trackValue("missing", -1.0f), -1.0f);
}

TEST_F(EffectTest, SetTextureGrowsTheSlotsAndIgnoresNegativeIndices) {
    JournalEffect effect;
    effect.setTexture(2, "Data/Textures/a.png");
    effect.setTexture(-1, "ignored");
    ASSERT_EQ(effect.textures.size(), 3u);
    EXPECT_EQ(effect.textures[0], "");
    EXPECT_EQ(effect.textures[2], "Data/Textures/a.png");
    EXPECT_EQ(effectJournal(), std::vector<std::string>{"texture:2=Data/Textures/a.png"});
}

TEST_F(EffectTest, ToJsonWritesTheEffectObject) {
    JournalEffect effect;
    effect.init();
    effect.instanceName = "Intro";
    effect.setTexture(1, "t.png");
    json j = effect.toJson();
    EXPECT_EQ(j["className"], "JournalEffect");
    EXPECT_EQ(j["instanceName"], "Intro");
    EXPECT_EQ(j["folderName"], "Root");
    EXPECT_EQ(j["textures"], json::parse(R"(["", "t.png"])"));
    ASSERT_EQ(j["tracks"].size(), 3u);
    EXPECT_EQ(j["tracks"][0]["name"], "enabled");
    EXPECT_EQ(j["tracks"][2]["name"], "mode");
}

TEST_F(EffectTest, FromJsonOfToJsonGivesTheSameObject) {
    JournalEffect original;
    original.init();
    original.instanceName = "Spinner";
    original.folderName = "Scenes";
    original.setTexture(0, "a.png");
    original.setTexture(2, "c.png");
    original.findTrack("speed")->setKey(4.0f, -2.0f, InterpType::EaseInCubic);
    original.findTrack("enabled")->setKey(10.0f, 0.0f, InterpType::Step);
    original.findTrack("mode")->audioSource = AudioHigh;
    original.findTrack("mode")->getAudioAmountTrack()->setKey(3.0f, 0.5f, InterpType::Linear);

    JournalEffect copy;
    copy.init();
    copy.fromJson(original.toJson());
    EXPECT_EQ(copy.toJson(), original.toJson());
    EXPECT_EQ(copy.textures.size(), 3u);
}

TEST_F(EffectTest, FromJsonDefaultsAndTrackMatching) {
    JournalEffect effect;
    effect.init();
    effect.fromJson(json::parse(R"({"tracks": [
        {"name": "unknown", "keys": [[0, {"value": 9}]]},
        {"name": "enabled", "keys": [[0, {"value": 1, "interp": "step"}], [10, {"value": 0, "interp": "step"}]]},
        {"keys": []}]})"));
    EXPECT_EQ(effect.instanceName, "JournalEffect");
    EXPECT_EQ(effect.folderName, "Root");
    EXPECT_EQ(effect.tracks.size(), 3u);  // reading never creates tracks
    effect.updateAllTracks(10.0f);
    EXPECT_EQ(effect.enabled, 0.0f);
    effect.updateAllTracks(9.0f);
    EXPECT_EQ(effect.enabled, 1.0f);
}

TEST_F(EffectTest, FromJsonRejectsWrongTypes) {
    const char* bad[] = {R"([1, 2])", R"({"instanceName": 5})", R"({"folderName": []})", R"({"textures": "a.png"})",
                         R"({"textures": [1]})", R"({"tracks": [5]})", R"({"tracks": [{"name": 3}]})"};
    for (const char* text : bad) {
        JournalEffect effect;
        effect.init();
        EXPECT_THROW(effect.fromJson(json::parse(text)), json::exception) << text;
    }
}

}  // namespace
