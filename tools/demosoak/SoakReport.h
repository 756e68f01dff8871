// The soak's bookkeeping: the resident memory of this process, and the verdict over the passes.
// Memory may grow while the first pass warms caches (driver, allocator, worker threads); after it
// the figure must stay flat. Does not render.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// VmRSS of this process in KiB from /proc/self/status, 0 when it cannot be read.
std::uint64_t residentKiB();

// Growth allowed over the first pass's figure: allocator noise, not a leak.
constexpr std::uint64_t kSoakSlackKiB = 8 * 1024;

// Empty when memory stopped growing after the first pass (`passes` holds the figure after each
// pass), else a one-line reason. Fewer than two passes cannot tell and are refused.
std::string soakVerdict(const std::vector<std::uint64_t>& passes);
