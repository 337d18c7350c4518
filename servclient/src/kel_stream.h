#pragma once

#include <cstdint>

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

}  // namespace sms
