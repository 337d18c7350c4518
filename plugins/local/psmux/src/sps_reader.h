#pragma once

#include <cstddef>
#include <cstdint>

namespace psmux {

// Picture size as an H.264 sequence parameter set states it, in whole
// macroblocks: no cropping and no field correction (1080 lines read as 1088).
struct SpsSize {
    uint32_t width;
    uint32_t height;
};

// Reads the size from the SPS whose NAL header byte is nal[0], using only the
// `length` bytes that follow from there. Returns false when the units run
// out before the size (the SPS is truncated or not an SPS at all).
// Scaling lists are not parsed: a set seq_scaling_matrix_present_flag skips
// eight bits, as the recorders' own writer does.
bool readSpsSize(const uint8_t* nal, size_t length, SpsSize* size);

}  // namespace psmux
