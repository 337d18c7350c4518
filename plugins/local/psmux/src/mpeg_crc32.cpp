#include "mpeg_crc32.h"

#include <array>

namespace psmux {

namespace {

// Built by the compiler, so several muxers on several threads never race to
// fill it at run time.
constexpr std::array<uint32_t, 256> makeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t crc = i << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
        table[i] = crc;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = makeTable();

}  // namespace

uint32_t mpegCrc32(const uint8_t* data, size_t length) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) {
        crc = (crc << 8) ^ kTable[((crc >> 24) ^ data[i]) & 0xFF];
    }
    return crc;
}

}  // namespace psmux
