// The shared generator against the recurrence computed here: state = state * 214013 + 2531011
// (mod 2^32), result = (state >> 16) & 0x7FFF, from the seed given (1 before any seed).
#include <gtest/gtest.h>

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

}  // namespace
