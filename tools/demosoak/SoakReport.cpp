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
    if (passes.size() < 2) return "fewer than two passes: run the soak longer";
    const std::uint64_t first = passes.front();
    const std::uint64_t peak = *std::max_element(passes.begin() + 1, passes.end());
    if (peak <= first + kSoakSlackKiB) return "";
    return "resident memory grew after the first pass: " + std::to_string(first / 1024) + " MiB after pass 1, " +
           std::to_string(peak / 1024) + " MiB at most later";
}
