#pragma once

// The 6-byte header in front of every frame of the management-server
// protocol: the magic "OV", then the payload length as unsigned 32-bit in
// network order.

#include <cstddef>
#include <cstdint>

namespace sms {

const std::size_t kHeaderSize = 6;
// The smallest BSON document (an empty one) is 5 bytes.
const uint32_t kMinFrameLength = 5;
// A longer announced payload is refused before anything is allocated: the
// connection is treated as broken, or the synchronous exchange yields nothing.
const uint32_t kMaxFrameLength = 16777216;

void encodeHeader(uint8_t* header, uint32_t length);
bool hasMagic(const uint8_t* header);
uint32_t decodeLength(const uint8_t* header);
bool lengthInRange(uint32_t length);

}  // namespace sms
