#pragma once

#include <cstdint>

#include <ov/avc/avc_api.h>
#include <ov/avc/dec_frame.h>

namespace AVC {

// A decoded picture that lives as long as its holders keep it.
class AVC_API Picture {
public:
    // 0: the picture as one YUV420P block, Y then U then V, rows without
    // padding (what yuv420p_to_jpeg takes). Made on first call and kept.
    virtual const uint8_t* Data() const = 0;
    // 1, 2
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    // 3: the same picture plane by plane, without copying; pts is 0.
    virtual const DecFrame* Frame() const = 0;

protected:
    ~Picture() {}
};

}  // namespace AVC
