// The soak's bookkeeping: the resident memory of this process, and the verdict over the passes.
// Memory grows while the first pass warms caches (driver, allocator, worker threads), and the
// allocator's heap and the GL driver's buffers settle over the next pass or so; after that the
// figure must stay flat, which is what a leak never does. Does not render.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// VmRSS of this process in KiB from /proc/self/status, 0 when it cannot be read.
std::uint64_t residentKiB();

// Rise allowed from the earlier to the later passes: allocator noise, not a leak.
constexpr std::uint64_t kSoakSlackKiB = 8 * 1024;

// Empty when memory stopped growing (`passes` holds the figure after each pass), else a one-line
// reason. The passes after the first are split in an earlier and a later half; the later half's
// peak may not exceed the earlier half's by more than the slack. Fewer than three passes cannot
// tell and are refused.
std::string soakVerdict(const std::vector<std::uint64_t>& passes);
