#include "pts_check.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<int64_t> relative(const std::vector<int64_t>& times) {
    hik::PtsCheck check;
    std::vector<int64_t> out;
    for (int64_t t : times) {
        out.push_back(check.Relative(t));
    }
    return out;
}

}  // namespace

TEST(PtsCheckTest, RelativeTimesStartAtZeroAndContinueAfterAStepBack) {
    EXPECT_EQ((std::vector<int64_t>{0, 40, 80, 120, 160}), relative({1000, 1040, 1080, 500, 540}));
    // forward jumps pass unchanged, repeated times stay where they are
    EXPECT_EQ((std::vector<int64_t>{0, 5000, 5000, 5040}), relative({0, 5000, 5000, 5040}));
    // a step back right onto a base of -1 is still a running stream
    EXPECT_EQ((std::vector<int64_t>{0, 80, 120, 160}), relative({1000, 1080, 119, 159}));
}
