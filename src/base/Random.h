// The process-wide pseudo-random generator that effects share (values 0 ... 32767), with the
// classic runtime recurrence, so that a seed gives the same sequence on every platform.
// Main thread only. Never use the C library's rand(): its range differs.
//
// The recurrence is a linear congruential one, so k steps of it are again one multiply-add
// (RandJump). Code that draws many numbers in a fixed order can split the sequence: read the
// state, give each piece of work its own exact starting state (and any thread), and finally
// set the shared state to where the one-thread loop would have left it.
#pragma once

#include <cstdint>

namespace runtime {

constexpr int RAND_MAX_VALUE = 32767;
constexpr std::uint32_t kRandMultiplier = 214013u;
constexpr std::uint32_t kRandIncrement = 2531011u;

// state = state * 214013 + 2531011 (mod 2^32); result = (state >> 16) & 0x7FFF.
int rand();
// Sets the state to `seed`; the initial state is 1.
void srand(std::uint32_t seed);

// The shared state itself, and setting it back (unlike srand, for a state read earlier).
std::uint32_t randState();
void setRandState(std::uint32_t state);

// `count` steps of the recurrence as one map: state -> state * multiplier + increment.
struct RandJump {
    std::uint32_t multiplier = 1u;
    std::uint32_t increment = 0u;

    static RandJump steps(std::uint64_t count);
    std::uint32_t apply(std::uint32_t state) const { return state * multiplier + increment; }
    // This jump followed by `then`.
    RandJump followedBy(const RandJump& then) const {
        return {multiplier * then.multiplier, increment * then.multiplier + then.increment};
    }
};

}  // namespace runtime
