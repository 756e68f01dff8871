// The process-wide pseudo-random generator that effects share (values 0 ... 32767), with the
// classic runtime recurrence, so that a seed gives the same sequence on every platform.
// Main thread only. Never use the C library's rand(): its range differs.
#pragma once

#include <cstdint>

namespace runtime {

constexpr int RAND_MAX_VALUE = 32767;

// state = state * 214013 + 2531011 (mod 2^32); result = (state >> 16) & 0x7FFF.
int rand();
// Sets the state to `seed`; the initial state is 1.
void srand(std::uint32_t seed);

}  // namespace runtime
