// The shared generator against values computed by hand from the recurrence
// state = state * 214013 + 2531011 (mod 2^32), result = (state >> 16) & 0x7FFF.
#include <gtest/gtest.h>

#include "base/Random.h"

namespace {

TEST(Random, SeedOneGivesTheClassicSequence) {
    // 1 * 214013 + 2531011 = 2745024; 2745024 >> 16 = 41.
    runtime::srand(1);
    EXPECT_EQ(runtime::rand(), 41);
    EXPECT_EQ(runtime::rand(), 18467);
    EXPECT_EQ(runtime::rand(), 6334);
    EXPECT_EQ(runtime::rand(), 26500);
    EXPECT_EQ(runtime::rand(), 19169);
}

TEST(Random, Seed1337) {
    runtime::srand(1337);
    EXPECT_EQ(runtime::rand(), 4404);
    EXPECT_EQ(runtime::rand(), 25954);
    EXPECT_EQ(runtime::rand(), 17763);
    EXPECT_EQ(runtime::rand(), 29679);
    EXPECT_EQ(runtime::rand(), 4113);
}

TEST(Random, StaysWithinZeroTo32767AndReseedRepeats) {
    runtime::srand(0xDEADBEEF);
    int first = runtime::rand();
    int lo = 32767, hi = 0;
    for (int i = 0; i < 100000; ++i) {
        int v = runtime::rand();
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, runtime::RAND_MAX_VALUE);
    runtime::srand(0xDEADBEEF);
    EXPECT_EQ(runtime::rand(), first);
}

}  // namespace
