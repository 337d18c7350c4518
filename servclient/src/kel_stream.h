#pragma once

#include <cstdint>

#include <bson/bson.h>

namespace sms {

// One media frame as a stream consumer sees it. The record and the bytes it
// points to (inside the received frame) are valid only during the call.
struct KelStream {
    int32_t t;  // carried through, not interpreted
    const uint8_t* data;
    int32_t len;
    int64_t pts;
    int32_t st;  // stream type: selects the decoder
};

// Reads a media frame's binary "d", int64 "pts", int32 "t" and int32 "st"
// (any order); false when one of them is missing or of another type, and
// such a frame is dropped. The record points into the document.
bool mediaFrameOf(const bson_t* doc, KelStream* frame);

}  // namespace sms
