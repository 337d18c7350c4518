#pragma once

#include "av_handles.h"

namespace AVC {

// Brings decoded pictures of any format (full-range, 4:2:2, 10-bit, ...) to
// limited-range YUV420P. Pictures already in that format pass unchanged.
class Yuv420pConverter {
public:
    // The picture itself or the converted copy, which stays valid until the
    // next call (and longer for whoever took a reference to it); null when the
    // format cannot be converted.
    const AVFrame* convert(const AVFrame* picture);

private:
    SwsPtr scaler_;
    AvFramePtr converted_;
};

}  // namespace AVC
