#include "frame_header.h"

namespace sms {

void encodeHeader(uint8_t* header, uint32_t length) {
    header[0] = 'O';
    header[1] = 'V';
    header[2] = static_cast<uint8_t>(length >> 24);
    header[3] = static_cast<uint8_t>(length >> 16);
    header[4] = static_cast<uint8_t>(length >> 8);
    header[5] = static_cast<uint8_t>(length);
}

bool hasMagic(const uint8_t* header) {
    return header[0] == 'O' && header[1] == 'V';
}

uint32_t decodeLength(const uint8_t* header) {
    return (static_cast<uint32_t>(header[2]) << 24) | (static_cast<uint32_t>(header[3]) << 16) |
           (static_cast<uint32_t>(header[4]) << 8) | static_cast<uint32_t>(header[5]);
}

bool lengthInRange(uint32_t length) {
    return length >= kMinFrameLength && length <= kMaxFrameLength;
}

}  // namespace sms
