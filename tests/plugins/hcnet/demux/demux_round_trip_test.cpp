// H.264 access units through the Hik muxer and back through the
// demultiplexer, and program streams written by FFmpeg's muxer.

#include <demux/mpeg2_demux.h>
#include <psmux/ps_muxer.h>

#include <cstdio>
#include <vector>

#include <gtest/gtest.h>
#include <pstest/ffmpeg_ps.h>
#include <pstest/media_sample.h>

#include "demux_recorder.h"

namespace {

using dmxtest::Delivery;

const std::vector<uint8_t> kDelimiter = {0x00, 0x00, 0x00, 0x01, 0x09, 0x30, 0x00, 0x00};

int32_t appendTo(const void* data, int32_t length, const PsFrameInfo*, void* user) {
    auto* file = static_cast<std::vector<uint8_t>*>(user);
    file->insert(file->end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length);
    return 0;
}

// The frame as the Hik muxer writes it: the SEI in third place of a key
// frame is left out.
std::vector<uint8_t> packedContent(const pstest::AccessUnit& unit) {
    std::vector<uint8_t> content = kDelimiter;
    const auto types = pstest::nalTypes(unit.bytes);
    if (!unit.key || types.size() < 4 || types[2] != 6) {
        content.insert(content.end(), unit.bytes.begin(), unit.bytes.end());
        return content;
    }
    // start of the third and the fourth unit, the zero before a four-byte code included
    std::vector<size_t> starts;
    for (size_t i = 0; i + 3 < unit.bytes.size() && starts.size() < 4; ++i) {
        if (unit.bytes[i] == 0 && unit.bytes[i + 1] == 0 && unit.bytes[i + 2] == 1) {
            starts.push_back(i > 0 && unit.bytes[i - 1] == 0 ? i - 1 : i);
            i += 2;
        }
    }
    content.insert(content.end(), unit.bytes.begin(), unit.bytes.begin() + long(starts[2]));
    content.insert(content.end(), unit.bytes.begin() + long(starts[3]), unit.bytes.end());
    return content;
}

TEST(DemuxRoundTripTest, HikMuxedH264ComesBackFrameByFrame) {
    pstest::VideoParams wanted;
    wanted.width = 320;
    wanted.height = 240;
    wanted.frames = 75;
    wanted.gop = 25;
    wanted.x264Params = "slices=3";
    const auto units = pstest::encodeVideo(wanted);
    ASSERT_EQ(units.size(), 75u);

    std::vector<uint8_t> file;
    IPsmuxer* muxer = CreatePsMuxer(appendTo, &file, 0);
    int64_t timestampMs = 123456;  // the recorder's clock: 40 ms a frame
    std::vector<Delivery> expected;
    for (const auto& unit : units) {
        PsFrameInfo info = {};
        info.timestampMs = timestampMs;
        ASSERT_EQ(muxer->InputFrame(unit.bytes.data(), int32_t(unit.bytes.size()), &info), 0);
        expected.push_back({0xE0, packedContent(unit), uint64_t(timestampMs), unit.key ? hik::PACK_MAP_H264 : 0});
        timestampMs += 40;
    }
    muxer->Release();
    // the last frame waits for a pack header that never comes
    expected.pop_back();

    for (const auto& chunking : dmxtest::chunkings()) {
        SCOPED_TRACE(chunking.name);
        const dmxtest::Pass pass = dmxtest::demuxOnce(file, chunking);
        EXPECT_EQ(pass.printed, "");
        ASSERT_EQ(pass.recorder.got.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(pass.recorder.got[i], expected[i]) << "frame " << i;
        }
    }
}

// A pack header and padding after the end, so that the last pack goes out.
std::vector<uint8_t> withFlush(std::vector<uint8_t> stream) {
    dmxtest::PsBuilder tail;
    tail.pack(uint64_t(1) << 32).padding();
    stream.insert(stream.end(), tail.bytes.begin(), tail.bytes.end());
    return stream;
}

std::vector<uint8_t> joined(const std::vector<pstest::AccessUnit>& units) {
    std::vector<uint8_t> all;
    for (const auto& unit : units) {
        all.insert(all.end(), unit.bytes.begin(), unit.bytes.end());
    }
    return all;
}

std::vector<uint8_t> joined(const std::vector<Delivery>& deliveries) {
    std::vector<uint8_t> all;
    for (const auto& delivery : deliveries) {
        all.insert(all.end(), delivery.data.begin(), delivery.data.end());
    }
    return all;
}

// FFmpeg's muxer (2048-byte packs, video as stream 0xE0, MPEG audio as 0xC0):
// every video and audio byte comes back in order, one pack at a time.
TEST(DemuxRoundTripTest, ReadsWhatFfmpegWrote) {
    pstest::VideoParams wanted;
    wanted.encoder = "mpeg2video";
    wanted.width = 352;
    wanted.height = 288;
    wanted.frames = 75;
    wanted.bitRate = 2000000;
    const auto video = pstest::encodeVideo(wanted);
    const auto audio = pstest::encodeMp2(3);
    ASSERT_FALSE(audio.empty());
    const auto stream = withFlush(pstest::ffmpegWritePs(video, pstest::PsVideoTag::Mpeg2, audio));

    std::vector<Delivery> reference;
    for (const auto& chunking : dmxtest::chunkings()) {
        SCOPED_TRACE(chunking.name);
        // what is printed is not checked: the end code before the flush draws a warning
        const dmxtest::Pass pass = dmxtest::demuxOnce(stream, chunking);
        const auto videoOut = pass.recorder.of(0xE0);
        EXPECT_EQ(joined(videoOut), joined(video));
        EXPECT_EQ(joined(pass.recorder.of(0xC0)), joined(audio));
        // FFmpeg packs hold at most 2048 bytes, and their clock runs forward
        for (size_t i = 0; i < videoOut.size(); ++i) {
            EXPECT_LE(videoOut[i].data.size(), 2048u);
            if (i > 0) {
                EXPECT_GE(videoOut[i].timeMs, videoOut[i - 1].timeMs);
            }
        }
        if (reference.empty()) {
            reference = pass.recorder.got;
        } else {
            EXPECT_EQ(pass.recorder.got, reference);
        }
    }
}

// FFmpeg puts H.264 into stream 0xE2, which the demultiplexer leaves alone as
// it does every video stream but 0xE0; tagged as other video it lands in 0xE0.
TEST(DemuxRoundTripTest, FfmpegH264StreamIds) {
    pstest::VideoParams wanted;
    wanted.frames = 30;
    const auto video = pstest::encodeVideo(wanted);
    const auto audio = pstest::encodeMp2(1);
    for (const auto tag : {pstest::PsVideoTag::H264, pstest::PsVideoTag::Mpeg4}) {
        const auto stream = withFlush(pstest::ffmpegWritePs(video, tag, audio));
        const dmxtest::Recorder recorder = dmxtest::demuxOnce(stream, dmxtest::chunkings().front()).recorder;
        EXPECT_EQ(joined(recorder.of(0xC0)), joined(audio));
        if (tag == pstest::PsVideoTag::H264) {
            EXPECT_TRUE(recorder.of(0xE0).empty());
        } else {
            EXPECT_EQ(joined(recorder.of(0xE0)), joined(video));
        }
    }
}

}  // namespace
