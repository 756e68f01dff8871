// Effect manager: update-then-render order across effects, the enabled threshold, the two
// trace points per effect, replacing the list.
#include <gtest/gtest.h>

#include "audio/MusicPlayer.h"
#include "base/CrashTrace.h"
#include "core/EffectManager.h"
#include "support/TempDir.h"
#include "support/TestEffects.h"

namespace {

std::unique_ptr<Effect> journalEffect(const std::string& name, float enabledFrom = 0.0f) {
    auto effect = std::make_unique<JournalEffect>();
    effect->init();
    effect->instanceName = name;
    if (enabledFrom > 0.0f) {
        effect->findTrack("enabled")->setKey(0.0f, 0.0f, InterpType::Step);
        effect->findTrack("enabled")->setKey(enabledFrom, 1.0f, InterpType::Step);
    }
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
};

TEST_F(EffectManagerTest, UpdatesEveryEffectThenRendersTheEnabledOnesInListOrder) {
    EffectList list;
    list.push_back(journalEffect("a"));
    list.push_back(journalEffect("b", 2.0f));  // off before t = 2
    list.push_back(journalEffect("c"));
    EffectManager::instance().replaceList(std::move(list));
    EffectManager::instance().update(1.0f);
    EffectManager::instance().render();
    EffectManager::instance().update(3.0f);
    EffectManager::instance().render();
    EXPECT_EQ(effectJournal(),
              (std::vector<std::string>{"update:a@1.000000", "update:c@1.000000", "render:a", "render:c",
                                        "update:a@3.000000", "update:b@3.000000", "update:c@3.000000", "render:a",
                                        "render:b", "render:c"}));
}

TEST_F(EffectManagerTest, RendersAtExactlyHalfAndNotBelow) {
    EffectList list;
    list.push_back(journalEffect("x"));
    EffectManager::instance().replaceList(std::move(list));
    Effect* x = EffectManager::instance().at(0);
    x->findTrack("enabled")->setKey(0.0f, 0.5f, InterpType::Step);
    x->findTrack("enabled")->setKey(1.0f, 0.4999f, InterpType::Step);
    EffectManager::instance().update(0.5f);
    EffectManager::instance().render();
    EffectManager::instance().update(2.0f);
    EffectManager::instance().render();
    EXPECT_EQ(effectJournal(), (std::vector<std::string>{"update:x@0.500000", "render:x"}));
}

TEST_F(EffectManagerTest, ReplacingTheListDeletesTheOldEffectsFirstInOrder) {
    EffectList first;
    first.push_back(journalEffect("old1"));
    first.push_back(journalEffect("old2"));
    EffectManager::instance().replaceList(std::move(first));
    EffectList second;
    second.push_back(journalEffect("new"));
    EffectManager::instance().replaceList(std::move(second));
    EXPECT_EQ(effectJournal(), (std::vector<std::string>{"destroy:old1", "destroy:old2"}));
    ASSERT_EQ(EffectManager::instance().size(), 1u);
    EXPECT_EQ(EffectManager::instance().at(0)->instanceName, "new");
    EXPECT_EQ(EffectManager::instance().at(1), nullptr);
}

TEST_F(EffectManagerTest, WritesTwoTraceLinesPerEffectWhileTracing) {
    TempDir dir(true);
    int presses = 1;
    CrashTrace::setKeySource([&] {
        bool pressed = presses > 0;
        presses = 0;
        return pressed;
    });
    EffectList list;
    list.push_back(journalEffect("Intro camera"));
    list.push_back(journalEffect("Intro camera"));  // same name twice: both traced
    EffectManager::instance().replaceList(std::move(list));
    EffectManager::instance().update(0.0f);
    EffectManager::instance().render();
    std::string text = dir.read("crash_trace_log.txt");
    const std::string update = "[EffectManager -> EffectManager::update @ Linje 139] -> EffectManager kaller update() for: Intro camera\n";
    const std::string render = "[EffectManager -> EffectManager::render @ Linje 147] -> EffectManager kaller render() for: Intro camera\n";
    const std::string rule(54, '=');
    EXPECT_EQ(text, "\n" + rule + "\n=== START CRASH TRACE (F8) ===\n" + rule + "\n" + update + update + render + render);
}

}  // namespace
