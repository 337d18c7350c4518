#include "frame_pacer.h"

namespace local {

constexpr std::chrono::milliseconds FramePacer::kMaxLateness;

void FramePacer::anchor(TimePoint now, int64_t firstMs) {
    anchored_ = true;
    start_ = now;
    firstMs_ = firstMs;
}

FramePacer::TimePoint FramePacer::due(int64_t outputMs, TimePoint now) {
    if (!anchored_) {
        anchor(now, outputMs);
    }
    TimePoint at = start_ + std::chrono::milliseconds(outputMs - firstMs_);
    if (now - at > kMaxLateness) {
        start_ += now - at;
        at = now;
    }
    return at;
}

}  // namespace local
