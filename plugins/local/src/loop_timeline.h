#pragma once

#include <cstdint>

namespace local {

// Turns the time stamps of a file that plays in a loop into one steadily
// rising time line: when the file starts again (or steps back), the line goes
// on one picture interval after the last picture instead of starting over.
class LoopTimeline {
public:
    // A step back is taken as one picture of a 25 per second source.
    static constexpr int64_t kRestartStepMs = 40;

    // The output time (ms) of a picture stamped `pts`. The first picture keeps
    // its own time stamp.
    int64_t next(int64_t pts);
    // The file starts again: its next picture is a restart even when its
    // time stamp equals the last one (a file of one picture), so the line
    // still advances.
    void restart() { restarted_ = true; }

    bool started() const { return started_; }
    int64_t firstOutputMs() const { return firstOutput_; }

private:
    bool started_ = false;
    bool restarted_ = false;
    int64_t output_ = 0;
    int64_t lastInput_ = 0;
    int64_t firstOutput_ = 0;
};

}  // namespace local
