// The effect catalogue of demorender: every class with its tracks as the effects make them,
// in the three formats, and the committed docs/effects.md generated from the current code.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "support/Subprocess.h"

namespace {

ProcessResult catalogue(const std::string& format) {
    return runShell(buildProgram("demorender") + " --list-effects " + format, ".");
}

TEST(EffectCatalogue, ListsEveryClassWithItsTracksInCreationOrder) {
    const ProcessResult run = catalogue("--json");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json list = nlohmann::json::parse(run.out);
    ASSERT_EQ(list.size(), 22u);  // the registration list's order and size: AllEffectsTest
    const auto plasma = std::find_if(list.begin(), list.end(), [](const auto& e) { return e["className"] == "PlasmaEffect"; });
    ASSERT_NE(plasma, list.end());
    const nlohmann::json expected = nlohmann::json::parse(R"([
        {"name": "enabled", "min": 0.0, "max": 1.0, "default": 1.0, "interpolation": "step", "snapToInteger": true},
        {"name": "speed", "min": -10.0, "max": 10.0, "default": 3.0, "interpolation": "linear", "snapToInteger": false},
        {"name": "scale", "min": 0.01, "max": 0.5, "default": 0.05, "interpolation": "linear", "snapToInteger": false},
        {"name": "color.r", "min": 0.0, "max": 2.0, "default": 1.0, "interpolation": "linear", "snapToInteger": false},
        {"name": "color.g", "min": 0.0, "max": 2.0, "default": 0.5, "interpolation": "linear", "snapToInteger": false},
        {"name": "color.b", "min": 0.0, "max": 2.0, "default": 0.8, "interpolation": "linear", "snapToInteger": false},
        {"name": "envMapMode", "min": 0.0, "max": 1.0, "default": 1.0, "interpolation": "step", "snapToInteger": true}])");
    EXPECT_EQ((*plasma)["tracks"].dump(), expected.dump());

    const ProcessResult text = catalogue("");
    EXPECT_NE(text.out.find("MarchingTetraEffect  -- "), std::string::npos);
    EXPECT_NE(text.out.find("  texture                         0 .. 3.40282e+38 default 1          trigger"), std::string::npos)
        << text.out.substr(0, 400);
}

TEST(EffectCatalogue, TheCommittedDocsMatchTheCode) {
    std::ifstream file(std::string(DEMO_SOURCE_DIR) + "/docs/effects.md");
    std::stringstream committed;
    committed << file.rdbuf();
    const ProcessResult run = catalogue("--markdown");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(committed.str() == run.out) << "docs/effects.md is out of date: run make docs";
}

}  // namespace
