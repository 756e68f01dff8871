// The shared generator against the recurrence computed here: state = state * 214013 + 2531011
// (mod 2^32), result = (state >> 16) & 0x7FFF, from the seed given (1 before any seed); and its
// jumps: k steps as one multiply-add land where k calls of rand() land, and 2^32 steps (the full
// period) change nothing.
#include <gtest/gtest.h>

#include <cstdint>

#include "base/Random.h"

namespace {

TEST(Random, FollowsTheRecurrenceFromEverySeed) {
    EXPECT_EQ(runtime::rand(), 41) << "the initial state is 1";
    for (const std::uint32_t seed : {1u, 1337u, 0xDEADBEEFu}) {
        runtime::srand(seed);
        std::uint32_t state = seed;
        for (int i = 0; i < 100000; ++i) {
            state = state * 214013u + 2531011u;
            ASSERT_EQ(runtime::rand(), static_cast<int>(state >> 16 & 0x7FFF)) << "seed " << seed << ", draw " << i;
        }
    }
    runtime::srand(1);
    EXPECT_EQ(runtime::rand(), 41);
    EXPECT_EQ(runtime::rand(), 18467);
}

TEST(RandomJump, JumpsLandWhereThatManyCallsLandAndTheFullPeriodIsTheIdentity) {
    for (std::uint64_t k : {0ull, 1ull, 3ull, 1000ull, 1920ull * 1080ull + 7ull}) {
        runtime::srand(12345);
        for (std::uint64_t i = 0; i < k; ++i) runtime::rand();
        const std::uint32_t walked = runtime::randState();
        EXPECT_EQ(runtime::RandJump::steps(k).apply(12345u), walked) << k;
    }
    // 214013 - 1 is a multiple of 4 and 2531011 is odd: the recurrence visits all 2^32 states.
    EXPECT_TRUE(runtime::RandJump::steps(1ull << 32).apply(777u) == 777u && runtime::RandJump::steps(1ull << 31).apply(777u) != 777u);
}

}  // namespace
