#include "pts_check.h"

namespace hik {

int64_t PtsCheck::Relative(int64_t time) {
    if (!seen_) {
        seen_ = true;
        base_ = time;
        last_ = time;
    }
    if (last_ > time) {
        base_ = time - (last_ - base_) - 40;
    }
    last_ = time;
    return time - base_;
}

}  // namespace hik
