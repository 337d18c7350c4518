#pragma once

// FFmpeg's program-stream muxer and demuxer, working on memory.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <pstest/media_sample.h>

namespace pstest {

// Video codec under which FFmpeg's muxer is told to write the units; it picks
// the stream id from it (H.264 goes to 0xE2, any other video to 0xE0).
enum class PsVideoTag { H264, Mpeg2, Mpeg4 };

// Writes the units with FFmpeg's "vob" muxer (MPEG-2 program stream, 2048-byte
// packs); audio (mp2 frames) is optional. `ioChunk` is the size of FFmpeg's
// output buffer, and so of every write it makes.
std::vector<uint8_t> ffmpegWritePs(const std::vector<AccessUnit>& video, PsVideoTag tag,
                                   const std::vector<AccessUnit>& audio, int width = 352, int height = 288,
                                   int ioChunk = 65536);
// The same, handing FFmpeg's writes to `sink` instead of collecting them.
typedef std::function<void(const uint8_t* data, size_t size)> PsSinkFn;
void ffmpegWritePs(const std::vector<AccessUnit>& video, PsVideoTag tag, const std::vector<AccessUnit>& audio,
                   int width, int height, int ioChunk, const PsSinkFn& sink);

struct PsPacket {
    int codecType;  // AVMediaType
    int codecId;    // AVCodecID
    int64_t pts;    // in the stream's time base, or AV_NOPTS_VALUE
    std::vector<uint8_t> data;
};

// Reads a program stream with FFmpeg's "mpeg" demuxer, handing it at most
// `chunk` bytes per read, and passes every packet on. `parse` false sets
// AVFMT_FLAG_NOPARSE (packets are the PES payloads as they stand).
typedef std::function<void(int codecType, int codecId, int64_t pts, const uint8_t* data, int size)> PsPacketFn;
void ffmpegReadPs(const uint8_t* data, size_t size, size_t chunk, bool parse, const PsPacketFn& onPacket);
// The same, collecting the packets.
std::vector<PsPacket> ffmpegReadPs(const uint8_t* data, size_t size, size_t chunk, bool parse = true);

// Concatenated payload of every packet of one media type.
std::vector<uint8_t> joinPayload(const std::vector<PsPacket>& packets, int codecType);

}  // namespace pstest
