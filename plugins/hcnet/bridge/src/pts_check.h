#pragma once

#include <cstdint>

namespace hik {

// Turns a stream's frame times into times relative to its first frame. When
// the stream's clock steps back (a recorder restarting its clock, a stream
// starting over), the relative time goes on 40 ms after the previous frame
// instead of jumping back; steps forward pass unchanged.
class PtsCheck {
public:
    int64_t Relative(int64_t time);

private:
    int64_t base_ = -1;
    int64_t last_ = -1;
    // base_ may itself become -1 after a step back, so it cannot mark the start
    bool seen_ = false;
};

}  // namespace hik
