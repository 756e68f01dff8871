// The soak's verdict over the resident memory after each pass: a figure that settles (in the
// first passes, however high) passes; one that still rises in the later half of the run fails.
#include <gtest/gtest.h>

#include "SoakReport.h"

namespace {

std::vector<std::uint64_t> mib(std::initializer_list<std::uint64_t> values) {
    std::vector<std::uint64_t> kib;
    for (std::uint64_t v : values) kib.push_back(v * 1024);
    return kib;
}

TEST(SoakReportTest, PassesWhenTheLaterHalfStaysWithinTheSlackOfTheEarlierHalf) {
    EXPECT_EQ(soakVerdict(mib({208, 221, 219, 222, 223, 219, 222})), "");  // settles in pass 2
    EXPECT_EQ(soakVerdict(mib({208, 230, 212, 220})), "");                 // the early peak counts
    EXPECT_EQ(soakVerdict(mib({100, 100, 108})), "");                      // exactly the slack
    EXPECT_EQ(soakVerdict(mib({100, 100, 109})),
              "resident memory still grew in the later passes: 100 MiB at most in passes 2 to 2, 109 MiB at most after");
    // One MiB a pass: the later half's peak is 9 MiB above the earlier half's.
    EXPECT_EQ(soakVerdict(mib({100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115,
                               116, 117, 118, 119})),
              "resident memory still grew in the later passes: 110 MiB at most in passes 2 to 11, 119 MiB at most after");
    EXPECT_EQ(soakVerdict(mib({100, 101})), "fewer than three passes: run the soak longer");
}

}  // namespace
