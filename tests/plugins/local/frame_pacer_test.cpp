#include "frame_pacer.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::milliseconds;
using TimePoint = local::FramePacer::TimePoint;

TEST(FramePacerTest, EachPictureIsDueAtItsPlaceOnTheMediaTimeLine) {
    local::FramePacer pacer;
    const TimePoint t0 = TimePoint() + std::chrono::hours(1);
    pacer.anchor(t0, 1000);
    // asked early or on time, the due time is the anchor plus media elapsed
    EXPECT_EQ(pacer.due(1000, t0), t0);
    EXPECT_EQ(pacer.due(1040, t0 + milliseconds(5)), t0 + milliseconds(40));
    EXPECT_EQ(pacer.due(5000, t0 + milliseconds(3990)), t0 + milliseconds(4000));
    // a little late: still due at its own time, so the worker catches up
    EXPECT_EQ(pacer.due(5040, t0 + milliseconds(4500)), t0 + milliseconds(4040));
}

TEST(FramePacerTest, FarBehindStartsTheTimeLineAgainFromNow) {
    local::FramePacer pacer;
    const TimePoint t0 = TimePoint() + std::chrono::hours(1);
    pacer.anchor(t0, 0);
    const TimePoint late = t0 + milliseconds(40) + local::FramePacer::kMaxLateness + milliseconds(1);
    EXPECT_EQ(pacer.due(40, late), late);
    // the pictures after it keep their spacing from the new anchor
    EXPECT_EQ(pacer.due(80, late), late + milliseconds(40));
}

TEST(FramePacerTest, TheFirstQuestionAnchorsAnUnanchoredPacer) {
    local::FramePacer pacer;
    const TimePoint t0 = TimePoint() + std::chrono::hours(2);
    EXPECT_FALSE(pacer.anchored());
    EXPECT_EQ(pacer.due(200, t0), t0);
    EXPECT_TRUE(pacer.anchored());
    EXPECT_EQ(pacer.due(240, t0), t0 + milliseconds(40));
}

}  // namespace
