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
#include <vector>

#include "core/EffectFactory.h"
#include "core/EffectManager.h"
#include "core/ProjectGlobals.h"
#include "core/TextureManager.h"
#include "effects/RegisterEffects.h"
#include "effects/VoronoiCausticsEffect.h"
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

// Every track at once, then each track alone with the others at their defaults (fuzz_project
// found a NaN scale that only slipped past the caustics' guard while the speed stayed finite).
TEST_P(ExtremeTrackValuesTest, UpdatesAndDrawsWithEveryTrackAtAnExtreme) {
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<std::string> names = {""};  // "" = every track
    auto probe = EffectFactory::create(GetParam());
    probe->init();
    for (ITrack* track : probe->tracks) names.push_back(track->getName());
    for (const std::string& only : names) {
        for (float value : {std::numeric_limits<float>::quiet_NaN(), inf, -inf, 3.4e38f, -3.4e38f, 4.3e9f, -4.3e9f,
                            -1.0f, 1e6f, 0.5f}) {
            resetProjectGlobals();
            auto effect = EffectFactory::create(GetParam());
            effect->init();
            effect->fromJson(nlohmann::json::object());
            for (ITrack* track : effect->tracks) {
                if (track->getName() == "enabled" || (!only.empty() && track->getName() != only)) continue;
                track->getKeys().clear();
                static_cast<KeyframeTrack*>(track)->setKey(0.0f, value, InterpType::Linear);
            }
            for (float t : {0.0f, 40.0f}) {
                effect->updateAllTracks(t);
                if (effect->isEnabled()) effect->onRender();
            }
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR))
                << GetParam() << " with " << (only.empty() ? "every track" : only) << " at " << value;
        }
    }
}

// fuzz_project: a NaN scale on the flat caustics passed the cell-table guard (min and max drop a
// NaN) and reached the integer floor. Now the formula's NaN path runs: no nearest point, so every
// pixel is (0 + 0.15) * 255 times its colour (0.2, 0.8, 1.0).
TEST_F(ExtremeTrackValuesTest, FlatCausticsWithANanScaleGiveTheUniformFormulaValue) {
    auto effect = EffectFactory::create("VoronoiCausticsEffect");
    effect->init();
    for (const char* name : {"scale", "envMapMode"}) effect->findTrack(name)->getKeys().clear();
    effect->findTrack("scale")->setKey(0.0f, std::numeric_limits<float>::quiet_NaN(), InterpType::Linear);
    effect->updateAllTracks(1.0f);
    const std::vector<std::uint8_t>& pixels = dynamic_cast<VoronoiCausticsEffect&>(*effect).image.pixels;
    ASSERT_EQ(pixels.size(), 256u * 256u * 4u);
    const std::uint8_t expected[4] = {7, 30, 38, 255};  // trunc(38.25 * 0.2, * 0.8, * 1.0), opaque
    for (std::size_t i = 0; i < pixels.size(); ++i) ASSERT_EQ(pixels[i], expected[i % 4]) << "byte " << i;
}

INSTANTIATE_TEST_SUITE_P(Registered, ExtremeTrackValuesTest, ::testing::ValuesIn(allEffectNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
