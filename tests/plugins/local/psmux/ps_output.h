#pragma once

// What the muxers hand to their callback, collected and taken apart again by
// a reader written for the tests alone.

#include <cstdint>
#include <string>
#include <vector>

#include <psmux/ps_muxer.h>

namespace pstest {

struct Output {
    std::vector<std::vector<uint8_t>> calls;
    std::vector<PsFrameInfo> infos;
};

// A PsOutputFn whose user pointer is an Output.
int32_t collect(const void* data, int32_t length, const PsFrameInfo* info, void* user);

struct Pes {
    uint8_t id = 0;
    uint8_t flags = 0;                // byte 6
    uint8_t ptsDts = 0;               // byte 7
    std::vector<uint8_t> headerData;  // PES header data (PTS and stuffing)
    std::vector<uint8_t> payload;
    size_t size = 0;  // whole packet
};

struct PackedFrame {
    std::vector<uint8_t> packHeader;
    std::vector<uint8_t> map;  // empty without a stream map
    std::vector<Pes> pes;
};

// Takes one packed frame apart; a unit that does not fit records a test
// failure and ends the reading.
PackedFrame parseFrame(const std::vector<uint8_t>& bytes);

// "00 00 01 BA" -> bytes
std::vector<uint8_t> hex(const std::string& text);

// Access unit delimiter that the Hik muxer writes with the time stamp.
extern const std::vector<uint8_t> kDelimiter;

// The frame without its NAL units of one type (start code and all).
std::vector<uint8_t> withoutNal(const std::vector<uint8_t>& frame, int type);

}  // namespace pstest
