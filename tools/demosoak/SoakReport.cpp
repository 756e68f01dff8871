// residentKiB and the soak verdict.
#include "SoakReport.h"

#include <algorithm>
#include <fstream>
#include <sstream>

std::uint64_t residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) != 0) continue;
        std::istringstream fields(line.substr(6));
        std::uint64_t kib = 0;
        fields >> kib;
        return kib;
    }
    return 0;
}

std::string soakVerdict(const std::vector<std::uint64_t>& passes) {
    if (passes.size() < 3) return "fewer than three passes: run the soak longer";
    // Passes 2, 3, ... in two halves, the earlier one the larger when their count is odd.
    const auto early = passes.begin() + 1;
    const auto late = early + static_cast<std::ptrdiff_t>(passes.size() / 2);
    const std::uint64_t earlyPeak = *std::max_element(early, late);
    const std::uint64_t latePeak = *std::max_element(late, passes.end());
    if (latePeak <= earlyPeak + kSoakSlackKiB) return "";
    return "resident memory still grew in the later passes: " + std::to_string(earlyPeak / 1024) +
           " MiB at most in passes 2 to " + std::to_string(late - passes.begin()) + ", " +
           std::to_string(latePeak / 1024) + " MiB at most after";
}
