// One test over every registered effect class: create, init, read back its own JSON, update
// and render at several times in a real GL context without GL errors, and (except for the
// camera and the light, which leave state for later effects on purpose) leave the GL
// attribute and matrix state as it found it.
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <string>

#include "core/EffectFactory.h"
#include "core/EffectManager.h"
#include "core/ProjectGlobals.h"
#include "core/TextureManager.h"
#include "effects/RegisterEffects.h"
#include "support/GlFixture.h"
#include "support/GlState.h"

namespace {

std::vector<std::string> allEffectNames() {
    registerAllEffects();
    return EffectFactory::registeredNames();
}

class AllEffectsTest : public GlFixture, public ::testing::WithParamInterface<std::string> {
protected:
    AllEffectsTest() : GlFixture(160, 90) {}
    void SetUp() override {
        GlFixture::SetUp();
        resetProjectGlobals();
        // A typical scene state for effects to draw into.
        glEnable(GL_DEPTH_TEST);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(65.0, 16.0 / 9.0, 0.1, 250.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0, 0, -32, 0, 0, 0, 0, 1, 0);
    }
    void TearDown() override {
        EffectManager::instance().replaceList({});
        TextureManager::instance().clear();
        GlFixture::TearDown();
    }
};

TEST_P(AllEffectsTest, ReadsBackItsOwnJson) {
    auto original = EffectFactory::create(GetParam());
    ASSERT_TRUE(original);
    original->init();
    EXPECT_EQ(original->getClassName(), GetParam());
    ASSERT_NE(original->findTrack("enabled"), nullptr);
    original->instanceName = "copy me";
    nlohmann::json saved = original->toJson();

    auto copy = EffectFactory::create(GetParam());
    copy->init();
    copy->fromJson(nlohmann::json::parse(saved.dump()));
    EXPECT_EQ(copy->toJson(), saved);
}

TEST_P(AllEffectsTest, UpdatesAndRendersWithoutGlErrorsOrLeftoverState) {
    auto effect = EffectFactory::create(GetParam());
    ASSERT_TRUE(effect);
    effect->init();
    effect->fromJson(nlohmann::json::object());
    const bool leavesStateOnPurpose = GetParam() == "Camera" || GetParam() == "Lighting";
    for (float t : {0.0f, 0.5f, 1.0f, 2.75f, 10.0f, 61.0f}) {
        effect->updateAllTracks(t);
        GlState before = GlState::capture();
        if (effect->isEnabled()) effect->onRender();
        GlState after = GlState::capture();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << GetParam() << " at t=" << t;
        if (!leavesStateOnPurpose) {
            EXPECT_TRUE(before == after) << GetParam() << " at t=" << t << ": " << after.differences(before);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Registered, AllEffectsTest, ::testing::ValuesIn(allEffectNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(EffectRegistration, ListsTheClassesInOrderOnceEach) {
    registerAllEffects();
    std::vector<std::string> names = EffectFactory::registeredNames();
    registerAllEffects();
    EXPECT_EQ(EffectFactory::registeredNames(), names);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end())) << "registration follows the alphabetical class list";
    for (const std::string& name : names) EXPECT_TRUE(EffectFactory::create(name)) << name;
}

}  // namespace
