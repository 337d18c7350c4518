#pragma once

// Sample elementary streams for the tests and the benchmark, encoded in the
// process with FFmpeg's encoders from a synthetic moving picture.

#include <cstdint>
#include <string>
#include <vector>

namespace pstest {

struct AccessUnit {
    std::vector<uint8_t> bytes;  // byte-stream form, start codes included
    bool key = false;
    int64_t ptsMs = 0;
};

struct VideoParams {
    std::string encoder = "libx264";  // any FFmpeg video encoder, e.g. "mpeg2video"
    int width = 320;
    int height = 240;
    int fps = 25;
    int frames = 50;
    int64_t bitRate = 0;  // 0: the encoder's default quality
    int gop = 25;
    // libx264 only, e.g. "slices=4"; B-frames are always off so that units come
    // out in presentation order
    std::string x264Params;
    std::string preset = "veryfast";
};

// One unit per picture; throws std::runtime_error when FFmpeg fails.
std::vector<AccessUnit> encodeVideo(const VideoParams& wanted);

// MPEG-1 Layer II audio frames (48 kHz stereo, 128 kbit/s) of a tone.
std::vector<AccessUnit> encodeMp2(int seconds);

// NAL unit types of a unit in byte-stream form, in order.
std::vector<int> nalTypes(const std::vector<uint8_t>& unit);

}  // namespace pstest
