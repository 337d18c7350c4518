#include "loop_timeline.h"

namespace local {

int64_t LoopTimeline::next(int64_t pts) {
    // a flag rather than "output still 0": a file may well start at 0 and
    // show its first picture twice
    const bool restarted = restarted_;
    restarted_ = false;
    if (!started_) {
        started_ = true;
        output_ = lastInput_ = firstOutput_ = pts;
        return output_;
    }
    if (pts < lastInput_ || (restarted && pts == lastInput_)) {
        lastInput_ = pts - kRestartStepMs;
    }
    output_ += pts - lastInput_;
    lastInput_ = pts;
    return output_;
}

}  // namespace local
