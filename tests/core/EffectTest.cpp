// Effect base: the enabled track and the update and render protocol, and the effect object
// written and read back. Track creation is checked by every effect's track table.
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
        effect.instanceName = "fx";
        effect.init();
    }
    JournalEffect effect;
};

TEST_F(EffectTest, DisabledEffectsMoveTheirTracksButNeitherUpdateNorRender) {
    KeyframeTrack* enabled = effect.findTrack("enabled");
    enabled->setKey(10.0f, 0.0f, InterpType::Step);
    enabled->setKey(20.0f, 0.5f, InterpType::Step);  // exactly 0.5 is on
    effect.findTrack("speed")->setKey(10.0f, 5.0f, InterpType::Linear);
    effect.findTrack("speed")->setKey(20.0f, 7.0f, InterpType::Linear);
    for (float t : {5.0f, 15.0f, 25.0f}) {
        effect.updateAllTracks(t);
        effect.render();
    }
    EXPECT_EQ(effectJournal(), (std::vector<std::string>{"update:fx@5.000000", "render:fx", "update:fx@25.000000",
                                                          "render:fx"}));
    effect.updateAllTracks(15.0f);
    EXPECT_FLOAT_EQ(effect.speed, 6.0f);
    EXPECT_EQ(effect.trackValue("missing", -1.0f), -1.0f);

    JournalEffect off;
    off.enabled = 0.0f;  // the enabled key takes the member's value at init
    off.init();
    EXPECT_EQ(off.findTrack("enabled")->keys.at(0.0f).value, 0.0f);
    EXPECT_FALSE(off.isEnabled());
}

// The round trip of every class is in AllEffectsTest; here the names of the object's members,
// the defaults of absent ones, and tracks found by name, never created.
TEST_F(EffectTest, WritesTheEffectObjectAndReadsItFindingTracksByName) {
    effect.setTexture(2, "t.png");
    effect.setTexture(-1, "ignored");
    EXPECT_EQ(effectJournal(), std::vector<std::string>{"texture:2=t.png"});
    const json saved = effect.toJson();
    EXPECT_EQ(saved, json::parse(R"({"className": "JournalEffect", "instanceName": "fx", "folderName": "Root",
                                     "textures": ["", "", "t.png"], "tracks": )" + saved["tracks"].dump() + "}"));
    EXPECT_EQ(saved["tracks"][0]["name"], "enabled");
    JournalEffect read;
    read.init();
    read.fromJson(json::parse(R"({"tracks": [
        {"name": "unknown", "keys": [[0, {"value": 9}]]},
        {"name": "enabled", "keys": [[0, {"value": 1, "interp": "step"}], [10, {"value": 0, "interp": "step"}]]},
        {"keys": []}]})"));
    EXPECT_EQ(read.instanceName, "JournalEffect");  // absent: the class name
    EXPECT_EQ(read.folderName, "Root");
    EXPECT_EQ(read.tracks.size(), 3u) << "reading creates no tracks";
    read.updateAllTracks(10.0f);
    EXPECT_EQ(read.enabled, 0.0f);
}

}  // namespace
