#include "ps_writer.h"

#include <cstring>

#include "mpeg_crc32.h"

namespace psmux {

namespace {

const uint64_t kClockMask = (uint64_t(1) << 33) - 1;
const size_t kMaxPesLength = 0xFFFF;
// '10', not scrambled, priority 1, data_alignment_indicator 1
const uint8_t kAlignedFlags = 0x8C;
// continuation of a payload: it does not begin with a start code
const uint8_t kContinuedFlags = 0x88;
const size_t kMapSize = 88;

// Program stream map with its variable places zero: version (6), recording
// time (16..20), width and height (58..61) and the CRC (84..87).
const uint8_t kMapTemplate[kMapSize] = {
    0x00, 0x00, 0x01, 0xBC, 0x00, 0x52, 0xE0, 0xFF, 0x00, 0x24, 0x40, 0x0E, 0x48, 0x4B, 0x00, 0x01, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x41, 0x12, 0x48, 0x4B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x24, 0x1B, 0xE0, 0x00, 0x10, 0x42, 0x0E,
    0x00, 0x00, 0x60, 0x00, 0x00, 0x00, 0x00, 0x00, 0x11, 0x0F, 0xFF, 0x00, 0x1C, 0x21, 0x91, 0xC0, 0x00, 0x0C,
    0x43, 0x0A, 0x01, 0x40, 0xFF, 0x00, 0x7D, 0x03, 0x00, 0x7D, 0x03, 0xFF, 0x00, 0x00, 0x00, 0x00};

void put16(uint8_t* at, uint32_t value) {
    at[0] = uint8_t(value >> 8);
    at[1] = uint8_t(value);
}

void put32(uint8_t* at, uint32_t value) {
    at[0] = uint8_t(value >> 24);
    at[1] = uint8_t(value >> 16);
    at[2] = uint8_t(value >> 8);
    at[3] = uint8_t(value);
}

void putPts(uint8_t* at, uint64_t pts) {
    at[0] = uint8_t(0x21 | ((pts >> 29) & 0x0E));
    at[1] = uint8_t(pts >> 22);
    at[2] = uint8_t(((pts >> 14) & 0xFE) | 1);
    at[3] = uint8_t(pts >> 7);
    at[4] = uint8_t(((pts << 1) & 0xFE) | 1);
}

// Header data length of a packet without PTS: keeps the packet a multiple of
// four bytes (2..5).
size_t headerLengthWithoutPts(size_t payload) {
    return 2 + ((5 - (payload & 3)) & 3);
}

// Stuffing of a packet with PTS: keeps the packet a multiple of four (2..5).
size_t stuffingWithPts(size_t payload) {
    return 2 + ((4 - (payload & 3)) & 3);
}

}  // namespace

uint64_t clock90k(int64_t timestampMs) {
    return (uint64_t(timestampMs) * 90) & kClockMask;
}

void PsWriter::reserve(size_t bytes) {
    if (capacity_ - size_ >= bytes) {
        return;
    }
    size_t capacity = capacity_ ? capacity_ : 4096;
    while (capacity - size_ < bytes) {
        capacity *= 2;
    }
    std::unique_ptr<uint8_t[]> grown(new uint8_t[capacity]);
    if (size_) {
        std::memcpy(grown.get(), data_.get(), size_);
    }
    data_.swap(grown);
    capacity_ = capacity;
}

uint8_t* PsWriter::grow(size_t bytes) {
    reserve(bytes);
    uint8_t* at = data_.get() + size_;
    size_ += bytes;
    return at;
}

void PsWriter::bytes(const uint8_t* bytes, size_t length) {
    if (length) {
        std::memcpy(grow(length), bytes, length);
    }
}

void PsWriter::packHeader(uint64_t scr, uint32_t counter) {
    uint8_t* at = grow(20);
    at[0] = 0x00;
    at[1] = 0x00;
    at[2] = 0x01;
    at[3] = 0xBA;
    // '01', base 32..30, marker, base 29..15, marker, base 14..0, marker,
    // extension 0, marker
    at[4] = uint8_t(0x44 | ((scr >> 27) & 0x38) | ((scr >> 28) & 0x03));
    at[5] = uint8_t(scr >> 20);
    at[6] = uint8_t(((scr >> 12) & 0xF8) | 0x04 | ((scr >> 13) & 0x03));
    at[7] = uint8_t(scr >> 5);
    at[8] = uint8_t(((scr << 3) & 0xF8) | 0x04);
    at[9] = 0x01;
    // program_mux_rate 31458 and two markers
    at[10] = 0x01;
    at[11] = 0xEB;
    at[12] = 0x8B;
    // reserved bits and pack_stuffing_length 6: FF FF and the frame counter
    at[13] = 0xFE;
    at[14] = 0xFF;
    at[15] = 0xFF;
    put32(at + 16, counter);
}

void PsWriter::streamMap(uint8_t streamType, uint32_t counter, const PsFrameInfo& info, int32_t width, int32_t height) {
    uint8_t* at = grow(kMapSize);
    std::memcpy(at, kMapTemplate, kMapSize);
    at[6] = uint8_t(0xE0 | (counter & 0x1F));
    at[16] = uint8_t(info.year + 48);
    // each field is cut to its width so that a bad value cannot spill into
    // its neighbour
    const uint32_t when = (uint32_t(info.month & 0x0F) << 28) | (uint32_t(info.day & 0x1F) << 23) |
                          (uint32_t(info.hour & 0x1F) << 18) | (uint32_t(info.minute & 0x3F) << 12) |
                          (uint32_t(info.second & 0x3F) << 6) | 0x20;
    put32(at + 17, when);
    at[48] = streamType;
    put16(at + 58, uint32_t(width) & 0xFFFF);
    put16(at + 60, uint32_t(height) & 0xFFFF);
    // the CRC goes in least significant byte first, as the recorders write it
    const uint32_t crc = mpegCrc32(at, 84);
    at[84] = uint8_t(crc);
    at[85] = uint8_t(crc >> 8);
    at[86] = uint8_t(crc >> 16);
    at[87] = uint8_t(crc >> 24);
}

void PsWriter::pesWithPts(uint64_t pts, const uint8_t* payload, size_t length) {
    size_t piece = length;
    size_t stuffing = stuffingWithPts(piece);
    if (3 + 5 + stuffing + piece > kMaxPesLength) {
        piece = kPiece;
        stuffing = stuffingWithPts(piece);
    }
    const size_t headerData = 5 + stuffing;
    uint8_t* at = grow(9 + headerData);
    at[0] = 0x00;
    at[1] = 0x00;
    at[2] = 0x01;
    at[3] = 0xE0;
    put16(at + 4, uint32_t(3 + headerData + piece));
    at[6] = kAlignedFlags;
    at[7] = 0x80;  // PTS only
    at[8] = uint8_t(headerData);
    putPts(at + 9, pts);
    std::memset(at + 14, 0xFF, stuffing - 1);
    at[14 + stuffing - 1] = 0xF8;
    bytes(payload, piece);
    if (piece < length) {
        pesPiecesWithoutPts(0xF8, payload + piece, length - piece, true);
    }
}

void PsWriter::pesWithoutPts(uint8_t endMark, const uint8_t* payload, size_t length) {
    pesPiecesWithoutPts(endMark, payload, length, false);
}

void PsWriter::pesPiecesWithoutPts(uint8_t endMark, const uint8_t* payload, size_t length, bool continued) {
    reserve(length + (length / kPiece + 1) * 16);
    size_t done = 0;
    do {  // an empty payload still gets its packet
        const size_t left = length - done;
        const size_t next = 3 + headerLengthWithoutPts(left) + left > kMaxPesLength ? kPiece : left;
        pesPieceWithoutPts(done > 0 || continued ? kContinuedFlags : kAlignedFlags, endMark, payload + done, next);
        done += next;
    } while (done < length);
}

void PsWriter::pesPieceWithoutPts(uint8_t flags, uint8_t endMark, const uint8_t* payload, size_t length) {
    const size_t headerData = headerLengthWithoutPts(length);
    uint8_t* at = grow(9 + headerData);
    at[0] = 0x00;
    at[1] = 0x00;
    at[2] = 0x01;
    at[3] = 0xE0;
    put16(at + 4, uint32_t(3 + headerData + length));
    at[6] = flags;
    at[7] = 0x00;  // neither PTS nor DTS
    at[8] = uint8_t(headerData);
    std::memset(at + 9, 0xFF, headerData - 1);
    at[9 + headerData - 1] = endMark;
    bytes(payload, length);
}

}  // namespace psmux
