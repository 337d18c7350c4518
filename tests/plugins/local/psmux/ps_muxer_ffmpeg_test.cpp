// FFmpeg's program-stream demuxer, which nobody here wrote, reads what the
// muxers write and must give back the H.264 bytes that went in.

#include <psmux/ps_muxer.h>

#include <vector>

#include <gtest/gtest.h>
#include <pstest/ffmpeg_ps.h>
#include <pstest/media_sample.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "ps_output.h"

namespace {

// x264 cuts every picture into four slices and puts its version SEI into the
// first key frame; a frame longer than one PES packet closes the sequence.
std::vector<pstest::AccessUnit> sample() {
    pstest::VideoParams wanted;
    wanted.width = 320;
    wanted.height = 240;
    wanted.frames = 60;
    wanted.gop = 25;
    wanted.x264Params = "slices=4";
    auto units = pstest::encodeVideo(wanted);
    pstest::AccessUnit big;
    big.bytes = {0x00, 0x00, 0x00, 0x01, 0x41};
    for (size_t i = 0; big.bytes.size() < 200000; ++i) {
        big.bytes.push_back(uint8_t(0x80 | (i * 37)));  // never two zero bytes in a row
    }
    big.ptsMs = units.back().ptsMs + 40;
    units.push_back(big);
    return units;
}

std::vector<uint8_t> muxAll(int32_t kind, const std::vector<pstest::AccessUnit>& units) {
    pstest::Output out;
    IPsmuxer* muxer = CreatePsMuxer(pstest::collect, &out, kind);
    for (const auto& unit : units) {
        PsFrameInfo info = {};
        info.key = unit.key ? 1 : 0;
        info.width = 320;
        info.height = 240;
        info.timestampMs = unit.ptsMs;
        EXPECT_EQ(muxer->InputFrame(unit.bytes.data(), int32_t(unit.bytes.size()), &info), 0);
    }
    muxer->Release();
    std::vector<uint8_t> file;
    for (const auto& call : out.calls) {
        file.insert(file.end(), call.begin(), call.end());
    }
    return file;
}

TEST(PsMuxerFfmpegTest, FfmpegReadsTheHikStream) {
    const auto units = sample();
    ASSERT_GE(units.size(), 60u);
    // what the later key frames look like: SPS, PPS and four slices, no SEI
    ASSERT_TRUE(units[25].key);
    EXPECT_EQ(pstest::nalTypes(units[25].bytes), (std::vector<int>{7, 8, 5, 5, 5, 5}));
    EXPECT_EQ(pstest::nalTypes(units[0].bytes), (std::vector<int>{7, 8, 6, 5, 5, 5, 5}));

    const auto file = muxAll(0, units);
    std::vector<uint8_t> expected;
    for (const auto& unit : units) {
        expected.insert(expected.end(), pstest::kDelimiter.begin(), pstest::kDelimiter.end());
        // the only unit left out is the SEI in third place of the first key frame
        const auto kept = unit.key ? pstest::withoutNal(unit.bytes, 6) : unit.bytes;
        expected.insert(expected.end(), kept.begin(), kept.end());
    }
    const auto packets = pstest::ffmpegReadPs(file.data(), file.size(), 4096);
    ASSERT_FALSE(packets.empty());
    for (const auto& packet : packets) {
        EXPECT_EQ(packet.codecId, AV_CODEC_ID_H264);
    }
    EXPECT_EQ(pstest::joinPayload(packets, AVMEDIA_TYPE_VIDEO), expected);
}

TEST(PsMuxerFfmpegTest, FfmpegReadsTheGenericStreamFrameByFrame) {
    const auto units = sample();
    const auto file = muxAll(1, units);
    const auto packets = pstest::ffmpegReadPs(file.data(), file.size(), 188, false);
    std::vector<uint8_t> expected;
    for (const auto& unit : units) {
        expected.insert(expected.end(), unit.bytes.begin(), unit.bytes.end());
    }
    EXPECT_EQ(pstest::joinPayload(packets, AVMEDIA_TYPE_VIDEO), expected);
    // one PES packet per frame (four for the long one) with the frame's time
    ASSERT_EQ(packets.size(), units.size() + 3);
    for (size_t i = 0; i + 1 < units.size(); ++i) {
        EXPECT_EQ(packets[i].data, units[i].bytes) << i;
        EXPECT_EQ(packets[i].pts, units[i].ptsMs * 90) << i;
    }
}

}  // namespace
