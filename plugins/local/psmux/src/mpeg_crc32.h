#pragma once

#include <cstddef>
#include <cstdint>

namespace psmux {

// CRC-32/MPEG-2 (polynomial 0x04C11DB7, initial value 0xFFFFFFFF, not
// reflected, no final XOR), as ISO/IEC 13818-1 uses for its sections.
uint32_t mpegCrc32(const uint8_t* data, size_t length);

}  // namespace psmux
