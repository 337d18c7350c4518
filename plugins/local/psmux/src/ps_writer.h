#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include <psmux/ps_muxer.h>

namespace psmux {

// 90 kHz clock value of a time in milliseconds, modulo 2^33 as SCR and PTS
// hold it.
uint64_t clock90k(int64_t timestampMs);

// Assembles the program-stream units of one frame in a buffer that is kept
// from frame to frame, so a steady stream allocates nothing.
class PsWriter {
public:
    // Largest payload of one PES packet before the 16-bit PES_packet_length
    // runs out; longer payloads continue in further packets of this size,
    // which keeps every packet a multiple of four bytes.
    static const size_t kPiece = 65520;

    void clear() { size_ = 0; }
    const uint8_t* data() const { return data_.get(); }
    size_t size() const { return size_; }
    // Makes room for `bytes` more without writing them.
    void reserve(size_t bytes);

    // Pack header with the frame counter in its six stuffing bytes (20 bytes).
    void packHeader(uint64_t scr, uint32_t counter);
    // Program stream map of 88 bytes; width and height are cut to 16 bits.
    void streamMap(uint8_t streamType, uint32_t counter, const PsFrameInfo& info, int32_t width, int32_t height);
    // Video PES packet with PTS; a long payload continues in packets without
    // PTS (end mark F8).
    void pesWithPts(uint64_t pts, const uint8_t* payload, size_t length);
    // Video PES packet(s) without PTS whose last stuffing byte is `endMark`.
    void pesWithoutPts(uint8_t endMark, const uint8_t* payload, size_t length);
    void bytes(const uint8_t* bytes, size_t length);

private:
    uint8_t* grow(size_t bytes);
    // As many packets without PTS as the payload needs; `continued`: the
    // payload goes on from an earlier packet, so no packet begins an access unit.
    void pesPiecesWithoutPts(uint8_t endMark, const uint8_t* payload, size_t length, bool continued);
    void pesPieceWithoutPts(uint8_t flags, uint8_t endMark, const uint8_t* payload, size_t length);

    std::unique_ptr<uint8_t[]> data_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

}  // namespace psmux
