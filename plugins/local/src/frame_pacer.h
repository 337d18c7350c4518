#pragma once

#include <chrono>
#include <cstdint>

namespace local {

// When each picture of a file channel is due: the picture's place on the
// media time line, measured from the wall-clock moment of the first picture.
class FramePacer {
public:
    typedef std::chrono::steady_clock::time_point TimePoint;

    // A channel that falls further behind than this (a machine that was
    // suspended, a file that took long to reopen) starts its time line again
    // from now rather than delivering the backlog in one burst.
    static constexpr std::chrono::milliseconds kMaxLateness{1000};

    // Anchors the time line: the picture stamped firstMs is due at `now`.
    void anchor(TimePoint now, int64_t firstMs);
    // The due time of the picture stamped outputMs, given the time now.
    TimePoint due(int64_t outputMs, TimePoint now);

    bool anchored() const { return anchored_; }

private:
    bool anchored_ = false;
    TimePoint start_{};
    int64_t firstMs_ = 0;
};

}  // namespace local
