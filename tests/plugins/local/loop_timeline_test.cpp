#include "loop_timeline.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int64_t> run(const std::vector<int64_t>& input) {
    local::LoopTimeline line;
    std::vector<int64_t> out;
    for (int64_t pts : input) {
        out.push_back(line.next(pts));
    }
    return out;
}

TEST(LoopTimelineTest, KeepsRisingAcrossRestartsAndStepsBack) {
    struct Case {
        const char* name;
        std::vector<int64_t> input;
        std::vector<int64_t> output;
    };
    const Case cases[] = {
        // a file of three pictures played three times
        {"loop", {0, 40, 80, 0, 40, 80, 0, 40, 80}, {0, 40, 80, 120, 160, 200, 240, 280, 320}},
        // a file that starts late keeps its own first time stamp
        {"late start", {1000, 1040, 1080, 1000, 1040}, {1000, 1040, 1080, 1120, 1160}},
        // a step back in the middle counts as one picture interval
        {"step back", {0, 40, 80, 60, 100}, {0, 40, 80, 120, 160}},
        // uneven spacing passes through unchanged
        {"uneven", {0, 33, 100, 101}, {0, 33, 100, 101}},
        // the first picture at 0 twice: the second does not restart the line
        {"repeated first", {0, 0, 40}, {0, 0, 40}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.input), c.output) << c.name;
    }
}

TEST(LoopTimelineTest, ARestartAdvancesEvenWhenThePassBeginsWhereTheLastEnded) {
    local::LoopTimeline line;
    // a file of one picture, stamped 0 in every pass
    std::vector<int64_t> out = {line.next(0)};
    for (int pass = 0; pass < 3; ++pass) {
        line.restart();
        out.push_back(line.next(0));
    }
    EXPECT_EQ(out, (std::vector<int64_t>{0, 40, 80, 120}));
    // within a pass an equal time stamp is still a repeated picture
    EXPECT_EQ(line.next(0), 120);
}

TEST(LoopTimelineTest, RemembersTheFirstOutput) {
    local::LoopTimeline line;
    EXPECT_FALSE(line.started());
    line.next(500);
    line.next(540);
    EXPECT_TRUE(line.started());
    EXPECT_EQ(line.firstOutputMs(), 500);
}

}  // namespace
