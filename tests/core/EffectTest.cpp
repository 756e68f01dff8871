// Effect base and manager: the enabled threshold of exactly 0.5, update-then-render order across
// effects, replacing the list, and the effect object written and read back. Track creation is
// checked by every class's track table; the manager's trace lines by PlayerEndToEndTest's F8 test.
#include <gtest/gtest.h>

#include "audio/MusicPlayer.h"
#include "core/EffectManager.h"
#include "support/TestEffects.h"

namespace {

using nlohmann::json;
using Lines = std::vector<std::string>;

std::unique_ptr<JournalEffect> journalEffect(const std::string& name) {
    auto effect = std::make_unique<JournalEffect>();
    effect->instanceName = name;
    effect->init();
    return effect;
}

class EffectTest : public ::testing::Test {
protected:
    void SetUp() override {
        releaseMusic();
        effectJournal().clear();
    }
    void TearDown() override { EffectManager::instance().replaceList({}); }
};

TEST_F(EffectTest, ManagerUpdatesEveryEffectThenRendersTheEnabledOnesAndDeletesThemInOrder) {
    EffectList list;
    for (const char* name : {"a", "b", "c"}) list.push_back(journalEffect(name));
    list[1]->findTrack("enabled")->setKey(0.0f, 0.4999f, InterpType::Step);  // off before t = 2
    list[1]->findTrack("enabled")->setKey(2.0f, 0.5f, InterpType::Step);     // exactly 0.5 is on
    list[1]->findTrack("speed")->setKey(2.0f, 5.0f, InterpType::Linear);
    list[1]->findTrack("speed")->setKey(4.0f, 7.0f, InterpType::Linear);
    JournalEffect& b = static_cast<JournalEffect&>(*list[1]);
    EffectManager& manager = EffectManager::instance();
    manager.replaceList(std::move(list));
    for (float time : {1.0f, 3.0f}) {
        manager.update(time);
        manager.render();
    }
    EXPECT_FLOAT_EQ(b.speed, 6.0f);
    EffectList next;
    next.push_back(journalEffect("new"));
    manager.replaceList(std::move(next));
    EXPECT_EQ(effectJournal(), (Lines{"update:a@1.000000", "update:c@1.000000", "render:a", "render:c",
                                      "update:a@3.000000", "update:b@3.000000", "update:c@3.000000", "render:a",
                                      "render:b", "render:c", "destroy:a", "destroy:b", "destroy:c"}));
    ASSERT_EQ(manager.size(), 1u);
    EXPECT_EQ(manager.at(0)->instanceName, "new");
    EXPECT_EQ(manager.at(1), nullptr);
    EXPECT_EQ(manager.at(0)->trackValue("missing", -1.0f), -1.0f);

    JournalEffect off;
    off.enabled = 0.0f;  // the enabled key takes the member's value at init
    off.init();
    EXPECT_EQ(off.findTrack("enabled")->keys.at(0.0f).value, 0.0f);
    EXPECT_FALSE(off.isEnabled());
    off.updateAllTracks(1.0f), off.render();
    EXPECT_EQ(effectJournal().size(), 13u) << "neither updated nor rendered";
}

// The round trip of every class is in AllEffectsTest; here the names of the object's members,
// the defaults of absent ones, and tracks found by name, never created.
TEST_F(EffectTest, WritesTheEffectObjectAndReadsItFindingTracksByName) {
    auto effect = journalEffect("fx");
    effect->setTexture(2, "t.png");
    effect->setTexture(-1, "ignored");
    EXPECT_EQ(effectJournal(), Lines{"texture:2=t.png"});
    const json saved = effect->toJson();
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
