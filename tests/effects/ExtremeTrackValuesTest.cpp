// Every registered effect class with every parameter track holding a value that no sane project
// has but a broken or hostile one can: NaN, infinities, the float extremes and integers beyond
// int's range. Updating and drawing must stay defined (the sanitized build checks the integer
// conversions, sizes and indices), finish (loop counts are capped) and raise no GL error.
// Regression test for the faults the project fuzzer found; classes added later are covered too.
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/EffectFactory.h"
#include "core/EffectManager.h"
#include "core/ProjectGlobals.h"
#include "core/TextureManager.h"
#include "effects/RegisterEffects.h"
#include "support/GlFixture.h"

namespace {

std::vector<std::string> allEffectNames() {
    registerAllEffects();
    return EffectFactory::registeredNames();
}

class ExtremeTrackValuesTest : public GlFixture, public ::testing::WithParamInterface<std::string> {
protected:
    void TearDown() override {
        EffectManager::instance().replaceList({});
        TextureManager::instance().clear();
        GlFixture::TearDown();
    }
};

TEST_P(ExtremeTrackValuesTest, UpdatesAndDrawsWithEveryTrackAtAnExtreme) {
    const float inf = std::numeric_limits<float>::infinity();
    for (float value : {std::numeric_limits<float>::quiet_NaN(), inf, -inf, 3.4e38f, -3.4e38f, 4.3e9f, -4.3e9f,
                        -1.0f, 1e6f, 0.5f}) {
        resetProjectGlobals();
        auto effect = EffectFactory::create(GetParam());
        effect->init();
        effect->fromJson(nlohmann::json::object());
        for (ITrack* track : effect->tracks) {
            if (track->getName() == "enabled") continue;
            track->getKeys().clear();
            static_cast<KeyframeTrack*>(track)->setKey(0.0f, value, InterpType::Linear);
        }
        for (float t : {0.0f, 40.0f}) {
            effect->updateAllTracks(t);
            if (effect->isEnabled()) effect->onRender();
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << GetParam() << " with every track at " << value;
    }
}

INSTANTIATE_TEST_SUITE_P(Registered, ExtremeTrackValuesTest, ::testing::ValuesIn(allEffectNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
