// Effect manager: update-then-render order across effects, the enabled threshold of exactly
// 0.5, replacing the list, and the two trace lines per effect.
#include <gtest/gtest.h>

#include "audio/MusicPlayer.h"
#include "base/CrashTrace.h"
#include "core/EffectManager.h"
#include "support/TempDir.h"
#include "support/TestEffects.h"

namespace {

std::unique_ptr<Effect> journalEffect(const std::string& name) {
    auto effect = std::make_unique<JournalEffect>();
    effect->init();
    effect->instanceName = name;
    return effect;
}

class EffectManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        releaseMusic();
        effectJournal().clear();
        CrashTrace::reset();
    }
    void TearDown() override {
        EffectManager::instance().replaceList({});
        CrashTrace::reset();
    }
    EffectManager& manager = EffectManager::instance();
};

TEST_F(EffectManagerTest, UpdatesEveryEffectThenRendersTheEnabledOnesAndDeletesThemInOrder) {
    EffectList list;
    for (const char* name : {"a", "b", "c"}) list.push_back(journalEffect(name));
    list[1]->findTrack("enabled")->setKey(0.0f, 0.4999f, InterpType::Step);  // off before t = 2
    list[1]->findTrack("enabled")->setKey(2.0f, 0.5f, InterpType::Step);     // exactly 0.5 is on
    manager.replaceList(std::move(list));
    for (float time : {1.0f, 3.0f}) {
        manager.update(time);
        manager.render();
    }
    EffectList next;
    next.push_back(journalEffect("new"));
    manager.replaceList(std::move(next));
    EXPECT_EQ(effectJournal(), (std::vector<std::string>{"update:a@1.000000", "update:c@1.000000", "render:a",
                                                         "render:c", "update:a@3.000000", "update:b@3.000000",
                                                         "update:c@3.000000", "render:a", "render:b", "render:c",
                                                         "destroy:a", "destroy:b", "destroy:c"}));
    ASSERT_EQ(manager.size(), 1u);
    EXPECT_EQ(manager.at(0)->instanceName, "new");
    EXPECT_EQ(manager.at(1), nullptr);
}

TEST_F(EffectManagerTest, WritesTwoTraceLinesPerEffectWhileTracing) {
    TempDir dir(true);
    int presses = 1;
    CrashTrace::setKeySource([&] { return presses-- > 0; });
    EffectList list;
    list.push_back(journalEffect("Intro camera"));
    list.push_back(journalEffect("Intro camera"));  // same name twice: both traced
    manager.replaceList(std::move(list));
    manager.update(0.0f);
    manager.render();
    const std::string update = "[EffectManager -> EffectManager::update @ Linje 139] -> EffectManager kaller update() "
                               "for: Intro camera\n";
    const std::string render = "[EffectManager -> EffectManager::render @ Linje 147] -> EffectManager kaller render() "
                               "for: Intro camera\n";
    const std::string rule(54, '=');
    EXPECT_EQ(dir.read("crash_trace_log.txt"),
              "\n" + rule + "\n=== START CRASH TRACE (F8) ===\n" + rule + "\n" + update + update + render + render);
}

}  // namespace
