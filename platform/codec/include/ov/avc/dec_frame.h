#pragma once

#include <cstdint>

#include <boost/function.hpp>

#include <ov/avc/avc_api.h>

namespace AVC {

// A decoded picture in YUV 4:2:0 planar form (limited range, BT.601 unless the
// source says otherwise). Chroma planes are (width+1)/2 by (height+1)/2. The
// planes belong to whoever hands the frame out and are valid only during that
// call; the time stamp may be rewritten by the receiver.
struct DecFrame {
    int64_t pts;  // ms
    int32_t width;
    int32_t height;
    const uint8_t* data[3];  // Y, U, V
    int32_t linesize[3];     // bytes per row of each plane
};

typedef boost::function<void(DecFrame*)> DecFrameCallback;

}  // namespace AVC
