// Jumping the shared generator ahead: k steps as one multiply-add must land where k calls of
// rand() land, and a sequence split at any point and drawn on local states must give the
// numbers of the one-thread loop.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "base/Random.h"

namespace {

TEST(RandomJump, JumpsLandWhereThatManyCallsLand) {
    for (std::uint64_t k : {0ull, 1ull, 2ull, 3ull, 64ull, 1000ull, 1920ull * 1080ull + 7ull}) {
        runtime::srand(12345);
        for (std::uint64_t i = 0; i < k; ++i) runtime::rand();
        const std::uint32_t walked = runtime::randState();
        EXPECT_EQ(runtime::RandJump::steps(k).apply(12345u), walked) << k;
        runtime::srand(12345);
        runtime::skipRand(k);
        EXPECT_EQ(runtime::randState(), walked) << k;
    }
}

TEST(RandomJump, TheFullPeriodOf2To32StepsIsTheIdentity) {
    // 214013 - 1 is a multiple of 4 and 2531011 is odd: the recurrence visits all 2^32 states.
    const runtime::RandJump period = runtime::RandJump::steps(1ull << 32);
    EXPECT_EQ(period.multiplier, 1u);
    EXPECT_EQ(period.increment, 0u);
    const runtime::RandJump half = runtime::RandJump::steps(1ull << 31);
    EXPECT_NE(half.apply(777u), 777u);
}

TEST(RandomJump, SplitPiecesOnLocalStatesRepeatTheOneThreadSequence) {
    runtime::srand(0xBEEF);
    std::vector<int> oneThread(5000);
    for (int& v : oneThread) v = runtime::rand();
    const std::uint32_t after = runtime::randState();

    runtime::srand(0xBEEF);
    const std::uint32_t start = runtime::randState();
    std::vector<int> pieces(5000);
    for (int begin : {3000, 0, 1234, 4999}) {  // any order, as worker threads might take them
        const int end = begin == 0 ? 1234 : begin == 1234 ? 3000 : begin == 3000 ? 4999 : 5000;
        std::uint32_t local = runtime::RandJump::steps(static_cast<std::uint64_t>(begin)).apply(start);
        for (int i = begin; i < end; ++i) pieces[i] = runtime::nextRand(local);
    }
    EXPECT_EQ(pieces, oneThread);
    runtime::setRandState(runtime::RandJump::steps(5000).apply(start));
    EXPECT_EQ(runtime::randState(), after);
}

}  // namespace
