#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include <boost/shared_ptr.hpp>

#include "h264_data.h"

namespace local {

struct PendingFrame {
    boost::shared_ptr<H264Data> data;
    int64_t arrivalMs = 0;
};

// The frames a live decoder has received but not yet decoded, and the arrival
// times of the recent ones, from which the render cadence follows. Used on the
// decoder's event loop only.
class FrameCache {
public:
    // Arrival times older than this (against the newest) leave the history.
    static constexpr int64_t kHistoryMs = 10000;
    // Below this many arrivals the cadence is the nominal one.
    static constexpr size_t kMinHistory = 6;
    static constexpr int32_t kNominalIntervalMs = 40;
    // Rendering runs this much faster than the frames arrive, so a backlog drains.
    static constexpr int32_t kCatchUpMs = 5;
    // A render tick that finds nothing pending waits at least this long:
    // after a burst the interval is 0, and the event loop would spin until
    // the next frame arrives.
    static constexpr int32_t kMinIdleMs = 10;
    // Bound of the pending list. Rendering normally keeps it short; when it
    // cannot (decoding slower than the stream), the oldest frames are dropped
    // up to the next key frame, so what remains still decodes.
    static constexpr size_t kMaxPending = 250;

    void add(const boost::shared_ptr<H264Data>& data, int64_t arrivalMs);

    // The time between two renders, in ms.
    int32_t renderIntervalMs() const;
    // The time until the next render when nothing was pending, in ms.
    int32_t idleIntervalMs() const;

    // Moves the oldest pending frame to *out; false when none is pending.
    bool takeOldest(PendingFrame* out);

    // Keeps only the newest key frame and what follows it: all a decoder
    // needs to reach the newest picture. Nothing changes without a key frame.
    void dropBeforeNewestKey();

    size_t pendingCount() const { return pending_.size(); }
    size_t historyCount() const { return history_.size(); }

private:
    void dropOldestGroup();

    std::deque<int64_t> history_;
    std::deque<PendingFrame> pending_;
};

}  // namespace local
