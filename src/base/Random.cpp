// The shared generator's state and recurrence, and the jump of many steps at once.
#include "Random.h"

namespace {
std::uint32_t state = 1;
}

namespace runtime {

int rand() {
    state = state * kRandMultiplier + kRandIncrement;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

void srand(std::uint32_t seed) { state = seed; }

std::uint32_t randState() { return state; }

void setRandState(std::uint32_t newState) { state = newState; }

// Square-and-multiply over the bits of count: `power` is the jump of 2^bit steps. All
// arithmetic is modulo 2^32, as the recurrence's own.
RandJump RandJump::steps(std::uint64_t count) {
    RandJump result;
    RandJump power{kRandMultiplier, kRandIncrement};
    while (count != 0) {
        if (count & 1u) result = result.followedBy(power);
        power = power.followedBy(power);
        count >>= 1;
    }
    return result;
}

}  // namespace runtime
