// The frame function: letterbox arithmetic, the sleep-then-busy-wait pacing against a scripted
// clock, and runFrame's clear / viewport / update / render / swap order in a real GL context.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/EffectManager.h"
#include "core/ProjectGlobals.h"
#include "player/FrameLoop.h"
#include "player/FramePacer.h"
#include "player/Letterbox.h"
#include "support/GlFixture.h"
#include "PlayerTestEffects.h"

// ---- letterbox ---------------------------------------------------------------------------

TEST(Letterbox, EqualAspectUsesTheWholeClientArea) {
    EXPECT_EQ(letterboxViewport(1920, 1080, 960, 540), (Viewport{0, 0, 1920, 1080}));
    EXPECT_EQ(letterboxViewport(1280, 720, 1920, 1080), (Viewport{0, 0, 1280, 720}));
    EXPECT_EQ(letterboxViewport(800, 600, 1024, 768), (Viewport{0, 0, 800, 600}));
}

TEST(Letterbox, WiderWindowGetsBarsLeftAndRight) {
    // 4:3 on 16:9: 1080 * 4/3 = 1440 wide, (1920 - 1440) / 2 = 240 on each side.
    EXPECT_EQ(letterboxViewport(1920, 1080, 1024, 768), (Viewport{240, 0, 1440, 1080}));
    // 16:9 on a 1366x768 panel (slightly wider): 768 * 16/9 = 1365.33 -> 1365, (1366 - 1365) / 2 = 0.
    EXPECT_EQ(letterboxViewport(1366, 768, 1920, 1080), (Viewport{0, 0, 1365, 768}));
    // An odd leftover rounds toward zero: 1000x500 with 1:1 -> 500 wide at x = 250; 1001 -> 250.
    EXPECT_EQ(letterboxViewport(1001, 500, 300, 300), (Viewport{250, 0, 500, 500}));
}

TEST(Letterbox, NarrowerWindowGetsBarsTopAndBottom) {
    // 960x540 on 16:10: 1920 / (16/9) = 1080 high, (1200 - 1080) / 2 = 60 above and below.
    EXPECT_EQ(letterboxViewport(1920, 1200, 960, 540), (Viewport{0, 60, 1920, 1080}));
    // 16:9 on 4:3: 800 / (16/9) = 450, (600 - 450) / 2 = 75.
    EXPECT_EQ(letterboxViewport(800, 600, 1920, 1080), (Viewport{0, 75, 800, 450}));
    // 21:9 (2560x1080) on 16:9: 1920 * 1080 / 2560 = 810, (1080 - 810) / 2 = 135.
    EXPECT_EQ(letterboxViewport(1920, 1080, 2560, 1080), (Viewport{0, 135, 1920, 810}));
}

TEST(Letterbox, TruncatesTheFloatProductLikeTheFrameLoop) {
    // 5:3 project in a 1000x700 window: 1000 / 1.6666666 = 600.00003 -> 600, y = 50.
    EXPECT_EQ(letterboxViewport(1000, 700, 500, 300), (Viewport{0, 50, 1000, 600}));
    // 7:5 in 1000x600: 600 * 1.4 = 840.00006 in float -> 840, x = 80.
    EXPECT_EQ(letterboxViewport(1000, 600, 700, 500), (Viewport{80, 0, 840, 600}));
    // 3:1 in a 100x99 window: 100 / 3 = 33.333 -> 33, y = (99 - 33) / 2 = 33.
    EXPECT_EQ(letterboxViewport(100, 99, 300, 100), (Viewport{0, 33, 100, 33}));
}

TEST(Letterbox, NonPositiveSizesKeepTheWholeClientArea) {
    EXPECT_EQ(letterboxViewport(640, 480, 0, 540), (Viewport{0, 0, 640, 480}));
    EXPECT_EQ(letterboxViewport(640, 480, 960, -5), (Viewport{0, 0, 640, 480}));
    EXPECT_EQ(letterboxViewport(0, 480, 960, 540), (Viewport{0, 0, 0, 480}));
    // A huge design resolution is only an aspect ratio.
    EXPECT_EQ(letterboxViewport(1920, 1080, 1000000, 1), (Viewport{0, 540, 1920, 0}));
}

// ---- pacing ------------------------------------------------------------------------------

namespace {

// Time moves only when the pacer looks at it (busy-wait step) or sleeps.
class ScriptedClock : public PacingClock {
public:
    std::int64_t nowNanoseconds() override {
        const std::int64_t t = now;
        now += readStep;
        ++reads;
        return t;
    }
    void sleepMilliseconds(int ms) override {
        sleeps.push_back(ms);
        now += static_cast<std::int64_t>(ms) * 1000000 + sleepOvershoot;
    }

    std::int64_t now = 0;
    std::int64_t readStep = 1000;  // 1 us per reading
    std::int64_t sleepOvershoot = 0;
    int reads = 0;
    std::vector<int> sleeps;
};

constexpr std::int64_t kSlotNs = 16666668;  // 1/60 s as the float target, rounded up

}  // namespace

TEST(FramePacer, SleepsAllButTheLastTwoMillisecondsThenBusyWaits) {
    ScriptedClock clock;
    FramePacer pacer(clock);  // slot starts at 0
    clock.now = 5000000;      // 5 ms of frame work
    pacer.waitForNextSlot();
    // remaining = 16.667 - 5 = 11.667 ms; sleep (11.667 - 2) truncated = 9 ms.
    ASSERT_EQ(clock.sleeps, std::vector<int>{9});
    // The busy-wait covered the rest: the new slot starts at the first reading past 1/60 s.
    EXPECT_GE(pacer.lastFrameNanoseconds(), kSlotNs);
    EXPECT_LT(pacer.lastFrameNanoseconds(), kSlotNs + 5000);
    EXPECT_GT(clock.reads, 2000);  // ~2.7 ms of 1 us readings: it spun, it did not sleep
}

TEST(FramePacer, WithTwoMillisecondsOrLessLeftItOnlyBusyWaits) {
    ScriptedClock clock;
    FramePacer pacer(clock);
    clock.now = 15000000;  // 1.667 ms left
    pacer.waitForNextSlot();
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_GE(pacer.lastFrameNanoseconds(), kSlotNs);
}

TEST(FramePacer, ALateFrameStartsTheNextSlotAtOnceWithoutCatchUp) {
    ScriptedClock clock;
    FramePacer pacer(clock);
    clock.now = 40000000;  // 40 ms: more than two slots late
    pacer.waitForNextSlot();
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(pacer.lastFrameNanoseconds(), 40000000 + clock.readStep);
    // The next slot is a full 1/60 s from there, not shortened to catch up.
    const std::int64_t start = pacer.lastFrameNanoseconds();
    clock.now = start + 1000000;
    pacer.waitForNextSlot();
    EXPECT_EQ(clock.sleeps, std::vector<int>{13});  // 16.667 - 1 - 2 = 13.667
    EXPECT_GE(pacer.lastFrameNanoseconds() - start, kSlotNs);
}

TEST(FramePacer, ASleepThatOvershootsIsNotMadeUpFor) {
    ScriptedClock clock;
    clock.sleepOvershoot = 5000000;  // the scheduler wakes 5 ms late
    FramePacer pacer(clock);
    pacer.waitForNextSlot();
    ASSERT_EQ(clock.sleeps.size(), 1u);
    EXPECT_EQ(clock.sleeps[0], 14);
    // 14 + 5 ms > 16.667: no busy-wait, the slot simply ran long.
    EXPECT_LT(clock.reads, 5);
    EXPECT_GE(pacer.lastFrameNanoseconds(), 19000000);
}

TEST(FramePacer, SecondsAreTheNanosecondDifferenceAsFloat) {
    EXPECT_FLOAT_EQ(FramePacer::secondsBetween(0, 16666668), 0.016666668f);
    EXPECT_FLOAT_EQ(FramePacer::secondsBetween(1000000000000LL, 1000500000000LL), 0.5f);
    EXPECT_FLOAT_EQ(FramePacer::kTargetFrameTime, 0.016666668f);
}

// ---- runFrame ----------------------------------------------------------------------------

namespace {

class ScriptedTime : public FrameClock {
public:
    FrameTime frameTime() override {
        ++calls;
        return next;
    }
    FrameTime next;
    int calls = 0;
};

class RunFrameTest : public GlFixture {
protected:
    RunFrameTest() : GlFixture(64, 48) {}
    void SetUp() override {
        GlFixture::SetUp();
        resetProjectGlobals();
        auto effect = std::make_unique<FillViewportEffect>();
        effect->init();
        effect->instanceName = "fill";
        fill_ = effect.get();
        EffectList list;
        list.push_back(std::move(effect));
        EffectManager::instance().replaceList(std::move(list));
    }
    void TearDown() override {
        EffectManager::instance().replaceList({});
        resetProjectGlobals();
        GlFixture::TearDown();
    }
    FillViewportEffect* fill_ = nullptr;
};

}  // namespace

TEST_F(RunFrameTest, DrawsInsideTheLetterboxOverBlackBarsAndSwaps) {
    projectWidth = 32;  // 2:3 in a 64x48 window: 48 * 0.6666667 = 32 wide, x = 16
    projectHeight = 48;
    glClearColor(1, 0, 0, 1);  // whatever was there before must be cleared black
    glClear(GL_COLOR_BUFFER_BIT);
    CountingWindow window(64, 48);
    ScriptedTime time;
    time.next = {2.5f, true};

    EXPECT_TRUE(runFrame(window, nullptr, time));
    EXPECT_EQ(window.swaps, 1);
    EXPECT_FLOAT_EQ(fill_->lastTime, 2.5f);
    EXPECT_EQ(fill_->renders, 1);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 16);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 32);
    EXPECT_EQ(viewport[3], 48);
    for (int y : {0, 20, 47}) {
        for (int x = 0; x < 64; ++x) {
            const auto p = pixel(x, y);
            const std::uint8_t expected = (x >= 16 && x < 48) ? 255 : 0;
            ASSERT_EQ(p[0], expected) << x << "," << y;
            ASSERT_EQ(p[1], expected) << x << "," << y;
            ASSERT_EQ(p[2], expected) << x << "," << y;
        }
    }
}

TEST_F(RunFrameTest, TheEndOfTheMusicReturnsFalseWithoutUpdateDrawOrSwap) {
    CountingWindow window(64, 48);
    ScriptedTime time;
    time.next = {61.0f, false};
    EXPECT_FALSE(runFrame(window, nullptr, time));
    EXPECT_EQ(window.swaps, 0);
    EXPECT_FLOAT_EQ(fill_->lastTime, -1.0f);
    EXPECT_EQ(fill_->renders, 0);
    // The frame was cleared before the clock was asked: the picture is black.
    EXPECT_EQ(pixel(32, 24)[0], 0);
}

TEST_F(RunFrameTest, TheMessageLoopStopsOnQuitOrWhenAFrameEnds) {
    ScriptedClock steady;
    steady.readStep = 20000000;  // every reading is past the slot: no waiting in this test
    FramePacer pacer(steady);
    ScriptedTime time;

    CountingWindow quitting(64, 48);
    quitting.quitAfterPumps = 3;  // three frames, then a quit on the fourth pump
    runMessageLoop(quitting, pacer, time);
    EXPECT_EQ(quitting.swaps, 3);
    EXPECT_EQ(fill_->renders, 3);

    CountingWindow endless(64, 48);
    time.next = {0.7f, false};
    runMessageLoop(endless, pacer, time);
    EXPECT_EQ(endless.swaps, 0);
    EXPECT_EQ(endless.pumps, 1);
}

TEST_F(RunFrameTest, ABlackFrameCoversTheWholeClientArea) {
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glViewport(10, 10, 5, 5);
    CountingWindow window(64, 48);
    showBlackFrame(window);
    EXPECT_EQ(window.swaps, 1);
    EXPECT_EQ(pixel(0, 0)[0], 0);
    EXPECT_EQ(pixel(63, 47)[1], 0);
    EXPECT_EQ(pixel(32, 24)[2], 0);
}
