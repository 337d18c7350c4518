#include "frame_cache.h"

#include <algorithm>

namespace local {

constexpr int64_t FrameCache::kHistoryMs;
constexpr size_t FrameCache::kMinHistory;
constexpr int32_t FrameCache::kNominalIntervalMs;
constexpr int32_t FrameCache::kCatchUpMs;
constexpr int32_t FrameCache::kMinIdleMs;
constexpr size_t FrameCache::kMaxPending;

void FrameCache::add(const boost::shared_ptr<H264Data>& data, int64_t arrivalMs) {
    // The cadence assumes rising times; a clock that went back (a time of day
    // at midnight, a clock that was set) starts the history afresh.
    if (!history_.empty() && arrivalMs < history_.back()) {
        history_.clear();
    }
    while (!history_.empty() && arrivalMs - history_.front() >= kHistoryMs) {
        history_.pop_front();
    }
    history_.push_back(arrivalMs);
    PendingFrame frame;
    frame.data = data;
    frame.arrivalMs = arrivalMs;
    pending_.push_back(frame);
    if (pending_.size() > kMaxPending) {
        dropOldestGroup();
    }
}

int32_t FrameCache::renderIntervalMs() const {
    if (history_.size() < kMinHistory) {
        return kNominalIntervalMs;
    }
    const int64_t mean = (history_.back() - history_.front()) / static_cast<int64_t>(history_.size() - 1);
    return static_cast<int32_t>(std::max<int64_t>(0, mean - kCatchUpMs));
}

int32_t FrameCache::idleIntervalMs() const {
    return std::max(renderIntervalMs(), kMinIdleMs);
}

bool FrameCache::takeOldest(PendingFrame* out) {
    if (pending_.empty()) {
        return false;
    }
    *out = pending_.front();
    pending_.pop_front();
    return true;
}

void FrameCache::dropBeforeNewestKey() {
    for (auto it = pending_.rbegin(); it != pending_.rend(); ++it) {
        if (it->data && it->data->key()) {
            pending_.erase(pending_.begin(), it.base() - 1);
            return;
        }
    }
}

void FrameCache::dropOldestGroup() {
    // the oldest frame, and the frames that depend on it up to the next key frame
    pending_.pop_front();
    while (!pending_.empty() && !(pending_.front().data && pending_.front().data->key())) {
        pending_.pop_front();
    }
}

}  // namespace local
