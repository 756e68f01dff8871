// The frame function: letterbox arithmetic, the sleep-then-busy-wait pacing against a scripted
// clock, and runFrame's clear / viewport / update / render / swap in a real GL context.
#include <gtest/gtest.h>

#include "PlayerTestEffects.h"
#include "core/EffectManager.h"
#include "core/ProjectGlobals.h"
#include "player/FrameLoop.h"
#include "player/FramePacer.h"
#include "player/Letterbox.h"
#include "support/GlFixture.h"

namespace {

// The viewport is computed in float and truncated, as the frame loop always has.
TEST(Letterbox, CentresTheProjectAspectInTheClientArea) {
    const struct {
        int clientW, clientH, projectW, projectH;
        Viewport expected;
    } cases[] = {
        {1920, 1080, 960, 540, {0, 0, 1920, 1080}},     // equal aspect
        {1920, 1080, 1024, 768, {240, 0, 1440, 1080}},  // wider window: 1080 * 4/3 = 1440
        {1366, 768, 1920, 1080, {0, 0, 1365, 768}},     // 1365.33 truncated, (1366 - 1365) / 2 = 0
        {1000, 602, 4, 3, {99, 0, 802, 602}},           // 802.67 truncated too
        {1920, 1200, 960, 540, {0, 60, 1920, 1080}},    // narrower window: bars above and below
        {1000, 700, 500, 300, {0, 50, 1000, 600}},      // 600.00003 in float
        {1000, 600, 700, 500, {80, 0, 840, 600}},       // 840.00006 in float
        {640, 480, 0, 540, {0, 0, 640, 480}},           // non-positive sizes: the whole area
        {1920, 1080, 1000000, 1, {0, 540, 1920, 0}},    // a huge resolution is only an aspect
    };
    for (const auto& c : cases)
        EXPECT_EQ(letterboxViewport(c.clientW, c.clientH, c.projectW, c.projectH), c.expected)
            << c.clientW << "x" << c.clientH << " for " << c.projectW << "x" << c.projectH;
}

// Time moves only when the pacer reads it (1 us a reading) or sleeps.
struct ScriptedClock : PacingClock {
    std::int64_t nowNanoseconds() override {
        ++reads;
        return (now += 1000) - 1000;
    }
    void sleepMilliseconds(int ms) override {
        sleeps.push_back(ms);
        now += ms * 1000000LL + sleepOvershoot;
    }
    std::int64_t now = 0, sleepOvershoot = 0;
    int reads = 0;
    std::vector<int> sleeps;
};

constexpr std::int64_t kSlotNs = 16666668;  // 1/60 s as the float target, rounded up

TEST(FramePacer, SleepsAllButTheLastTwoMillisecondsThenBusyWaits) {
    ScriptedClock clock;
    FramePacer pacer(clock);  // the slot starts at 0
    clock.now = 5000000;      // 5 ms of frame work: sleep (11.667 - 2) truncated
    pacer.waitForNextSlot();
    EXPECT_EQ(clock.sleeps, std::vector<int>{9});
    EXPECT_GE(pacer.lastFrameNanoseconds(), kSlotNs);
    EXPECT_LT(pacer.lastFrameNanoseconds(), kSlotNs + 5000);
    EXPECT_GT(clock.reads, 2000) << "it spun through the last 2.7 ms";
    const std::int64_t first = pacer.lastFrameNanoseconds();
    clock.now = first + 15000000;  // 1.667 ms left: only busy-wait
    pacer.waitForNextSlot();
    EXPECT_EQ(clock.sleeps.size(), 1u);
    EXPECT_GE(pacer.lastFrameNanoseconds() - first, kSlotNs);
}

TEST(FramePacer, LateFramesAndLongSleepsAreNotMadeUpFor) {
    ScriptedClock clock;
    FramePacer pacer(clock);
    clock.now = 40000000;  // more than two slots late: the next slot starts at once
    pacer.waitForNextSlot();
    EXPECT_TRUE(clock.sleeps.empty());
    const std::int64_t start = pacer.lastFrameNanoseconds();
    EXPECT_EQ(start, 40000000 + 1000);
    clock.now = start + 1000000;
    clock.sleepOvershoot = 5000000;  // the scheduler wakes 5 ms late
    pacer.waitForNextSlot();
    EXPECT_EQ(clock.sleeps, std::vector<int>{13}) << "a full slot from the late start";
    EXPECT_GE(pacer.lastFrameNanoseconds() - start, 19000000);
    EXPECT_LT(clock.reads, 10) << "no busy-wait after an overshooting sleep";
    EXPECT_FLOAT_EQ(FramePacer::secondsBetween(1000000000000LL, 1000500000000LL), 0.5f);
}

struct ScriptedTime : FrameClock {
    FrameTime frameTime() override { return next; }
    FrameTime next;
};

class RunFrameTest : public GlFixture {
protected:
    RunFrameTest() : GlFixture(64, 48) {}
    // Every pixel of the rows checked is white inside columns [from, to) and black outside.
    void expectColumns(int from, int to) {
        for (int y : {0, 20, 47})
            for (int x = 0; x < 64; ++x) {
                const std::uint8_t v = (x >= from && x < to) ? 255 : 0;
                ASSERT_EQ(pixel(x, y), (std::array<std::uint8_t, 4>{v, v, v, 255})) << x << "," << y;
            }
    }
};

// 2:3 in a 64x48 window: 48 * 0.6666667 = 32 wide at x = 16; the earlier red must be cleared.
TEST_F(RunFrameTest, DrawsInsideTheLetterboxOverBlackBarsUntilTheMusicEnds) {
    auto effect = std::make_unique<FillViewportEffect>();
    FillViewportEffect& fill = *effect;
    EffectList list;
    list.push_back(std::move(effect));
    EffectManager::instance().replaceList(std::move(list));
    projectWidth = 32;
    projectHeight = 48;
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    CountingWindow window;
    ScriptedTime time;
    time.next = {2.5f, true};
    EXPECT_TRUE(runFrame(window, nullptr, time));
    EXPECT_EQ(window.swaps, 1);
    EXPECT_FLOAT_EQ(fill.lastTime, 2.5f);
    expectColumns(16, 48);
    time.next = {61.0f, false};  // the end: cleared, but no update, draw or swap
    EXPECT_FALSE(runFrame(window, nullptr, time));
    EXPECT_EQ(window.swaps, 1);
    EXPECT_EQ(fill.renders, 1);
    expectColumns(0, 0);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    showBlackFrame(window);
    EXPECT_EQ(window.swaps, 2);
    expectColumns(0, 0);
}

}  // namespace
