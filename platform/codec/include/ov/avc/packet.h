#pragma once

#include <cstdint>

#include <boost/function.hpp>

#include <ov/avc/avc_api.h>

namespace AVC {

// One encoded picture: an H.264 access unit in Annex-B byte-stream form,
// valid only during the callback that receives it.
struct Packet {
    const uint8_t* data;
    int32_t size;
    int64_t pts;  // ms, the time stamp of the encoded DecFrame
    int32_t key;  // 1 for an IDR picture (it then begins with SPS and PPS), else 0
};

typedef boost::function<void(Packet*)> PacketCallback;

}  // namespace AVC
