#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include <ov/avc/avc_api.h>

namespace AVC {

// JPEG quality of every picture this library encodes (libjpeg scale 1-100).
constexpr int kJpegQuality = 85;

class AVC_API JpegBuf {
public:
    virtual const uint8_t* Data() const = 0;  // 0
    virtual int32_t Size() const = 0;         // 1

protected:
    ~JpegBuf() {}
};

// data: one YUV420P block as Picture::Data gives it (Y width x height, then U
// and V of (width+1)/2 x (height+1)/2, no row padding). Baseline JPEG, 4:2:0,
// quality kJpegQuality. Empty for null data or a size outside 1..16384.
AVC_API boost::shared_ptr<JpegBuf> yuv420p_to_jpeg(const void* data, int width, int height);

}  // namespace AVC
