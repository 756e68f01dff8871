// Crash trace banners and lines, byte for byte, with the F8 source injected.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/CrashTrace.h"
#include "support/TempDir.h"

namespace {

const std::string kRule(54, '=');
const std::string kStartBanner = "\n" + kRule + "\n=== START CRASH TRACE (F8) ===\n" + kRule + "\n";

class CrashTraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        CrashTrace::reset();
        CrashTrace::setKeySource([this] {
            const bool pressed = presses > 0;
            presses = 0;  // the key-state bit records one press since the last query
            return pressed;
        });
    }
    void TearDown() override { CrashTrace::reset(); }
    std::string traceFile() const { return dir.read("crash_trace_log.txt"); }

    TempDir dir{true};
    int presses = 0;
};

TEST_F(CrashTraceTest, OnWritesTheBannerAndLinesOffOnlyTheStopBanner) {
    CrashTrace::tracePoint("src/core/EffectManager.cpp", "EffectManager::update", 139, "-> msg");
    EXPECT_FALSE(std::filesystem::exists("crash_trace_log.txt")) << "nothing while tracing is off";
    presses = 2;  // two presses before one trace point toggle once
    CrashTrace::tracePoint("/build/src/core/EffectManager.cpp", "EffectManager::render", 147,
                           "-> EffectManager kaller render() for: ", "Intro camera");
    TRACE_POINT("A::f", 2, "two");
    presses = 1;
    TRACE_POINT("A::f", 3, "three");  // switches off: no line of its own
    TRACE_POINT("A::f", 4, "four");
    EXPECT_EQ(traceFile(), kStartBanner +
                               "[EffectManager -> EffectManager::render @ Linje 147] -> EffectManager kaller render() "
                               "for: Intro camera\n[CrashTraceTest -> A::f @ Linje 2] two\n=== STOP CRASH TRACE ===\n");
    presses = 1;
    TRACE_POINT("A::f", 5, "second period");
    EXPECT_EQ(traceFile(), kStartBanner + "[CrashTraceTest -> A::f @ Linje 5] second period\n") << "a fresh file";
    EXPECT_TRUE(CrashTrace::isTracing());
}

TEST(CrashTraceBaseName, StripsFoldersOfBothSeparatorsAndTheExtension) {
    EXPECT_EQ(CrashTrace::sourceBaseName("C:\\src\\MatrixGreetingsEffect.cpp"), "MatrixGreetingsEffect");
    EXPECT_EQ(CrashTrace::sourceBaseName("/a/b.c/EffectManager.cpp"), "EffectManager");
    EXPECT_EQ(CrashTrace::sourceBaseName("plain"), "plain");
}

}  // namespace
