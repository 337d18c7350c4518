#include <psmux/ps_muxer.h>

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "ps_output.h"

namespace {

using pstest::hex;

// SPS and PPS of x264 at 1920x1080, High profile:
// ffmpeg -f lavfi -i testsrc=size=1920x1080 -frames:v 1 -c:v libx264 -profile:v high -f h264 -
const std::vector<uint8_t> kSps =
    hex("00 00 00 01 67 64 00 28 AC D9 40 78 02 27 E5 C0 44 00 00 03 00 04 00 00 03 00 C8 3C 60 C6 58");
const std::vector<uint8_t> kPps = hex("00 00 00 01 68 EB E3 CB 22 C0");
const std::vector<uint8_t> kSei = hex("00 00 01 06 05 04 11 22 33 44 80");
const std::vector<uint8_t> kIdr = hex("00 00 01 65 88 84 00 33 FF 10");
const std::vector<uint8_t> kSlice2 = hex("00 00 01 65 00 A0 88 84 21");
const std::vector<uint8_t> kSlice3 = hex("00 00 01 65 00 50 88 84 42");

std::vector<uint8_t> join(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

class HikPSMuxerTest : public ::testing::Test {
protected:
    void SetUp() override {
        muxer_ = CreatePsMuxer(pstest::collect, &out_, 0);
        ASSERT_NE(muxer_, nullptr);
    }
    void TearDown() override {
        if (muxer_) {
            EXPECT_EQ(muxer_->Release(), 0);
        }
    }
    PsFrameInfo info(int64_t timestampMs) const {
        PsFrameInfo i = {};
        i.key = 1;
        i.width = 1920;
        i.height = 1080;
        i.timestampMs = timestampMs;
        i.year = 2026;
        i.month = 5;
        i.day = 17;
        i.hour = 8;
        i.minute = 30;
        i.second = 59;
        return i;
    }
    void input(const std::vector<uint8_t>& frame, int64_t timestampMs = 0) {
        const PsFrameInfo i = info(timestampMs);
        ASSERT_EQ(muxer_->InputFrame(frame.data(), int32_t(frame.size()), &i), 0);
    }

    pstest::Output out_;
    IPsmuxer* muxer_ = nullptr;
};

TEST_F(HikPSMuxerTest, FirstFrameBringsTheFileHeaderOnce) {
    const auto frame = hex("00 00 00 01 41 9A 02");
    input(frame);
    input(frame);
    ASSERT_EQ(out_.calls.size(), 3u);
    const auto header =
        hex("49 4D 4B 48 01 01 00 00 02 00 01 00 10 71 01 10 40 1F 00 00 00 FA 00 00"
            " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(out_.calls[0], header);
    const PsFrameInfo zero = {};
    EXPECT_EQ(std::memcmp(&out_.infos[0], &zero, sizeof zero), 0);
    EXPECT_EQ(out_.infos[1].timestampMs, 0);
    EXPECT_EQ(out_.infos[1].year, 2026);
}

// The worked example: the second frame (counter 0x00123403) at 40 ms, a
// seven-byte P frame.
TEST_F(HikPSMuxerTest, PFrameGolden) {
    const auto frame = hex("00 00 00 01 41 9A 02");
    input(frame);
    input(frame, 40);
    const auto expected =
        hex("00 00 01 BA 44 00 04 70 84 01 01 EB 8B FE FF FF 00 12 34 03"
            " 00 00 01 E0 00 12 8C 80 07 21 00 01 1C 21 FF F8 00 00 00 01 09 30 00 00"
            " 00 00 01 E0 00 0E 8C 00 04 FF FF FF F8 00 00 00 01 41 9A 02");
    ASSERT_EQ(out_.calls.size(), 3u);
    EXPECT_EQ(out_.calls[2], expected);
}

TEST_F(HikPSMuxerTest, KeyFrameLayoutWithMapFromTheSps) {
    input(join({kSps, kPps, kSei, kIdr}), 1000);
    ASSERT_EQ(out_.calls.size(), 2u);
    const auto frame = pstest::parseFrame(out_.calls[1]);
    // the counter of the first frame sits in the pack stuffing and the map version
    EXPECT_EQ(std::vector<uint8_t>(frame.packHeader.begin() + 14, frame.packHeader.end()), hex("FF FF 00 12 34 02"));
    ASSERT_EQ(frame.map.size(), 88u);
    EXPECT_EQ(frame.map[6], 0xE2);
    EXPECT_EQ(std::vector<uint8_t>(frame.map.begin() + 58, frame.map.begin() + 62), hex("07 80 04 40"));
    EXPECT_EQ(frame.map[16], uint8_t(2026 + 48));
    ASSERT_EQ(frame.pes.size(), 4u);
    EXPECT_EQ(frame.pes[0].payload, pstest::kDelimiter);
    EXPECT_EQ(frame.pes[0].size, 24u);
    EXPECT_EQ(frame.pes[1].payload, kSps);
    EXPECT_EQ(frame.pes[1].headerData.back(), 0xFC);
    EXPECT_EQ(frame.pes[2].payload, kPps);
    EXPECT_EQ(frame.pes[2].headerData.back(), 0xFC);
    // the SEI is left out, as the recorders do
    EXPECT_EQ(frame.pes[3].payload, kIdr);
    EXPECT_EQ(frame.pes[3].headerData.back(), 0xF8);
    for (const auto& pes : frame.pes) {
        EXPECT_EQ(pes.size % 4, 0u);
    }
}

// Which units of a key frame go into which packet. Only an SEI in third
// place is left out; everything else of the frame is written.
TEST_F(HikPSMuxerTest, KeyFramePacking) {
    struct Case {
        const char* name;
        std::vector<uint8_t> frame;
        std::vector<std::vector<uint8_t>> packets;  // after the time-stamp packet
    };
    const std::vector<Case> cases = {
        {"SPS PPS IDR", join({kSps, kPps, kIdr}), {kSps, kPps, kIdr}},
        {"SPS PPS SEI IDR", join({kSps, kPps, kSei, kIdr}), {kSps, kPps, kIdr}},
        {"SPS PPS and three slices",
         join({kSps, kPps, kIdr, kSlice2, kSlice3}),
         {kSps, kPps, join({kIdr, kSlice2, kSlice3})}},
        {"SPS PPS SEI and two slices", join({kSps, kPps, kSei, kIdr, kSlice2}), {kSps, kPps, join({kIdr, kSlice2})}},
        {"SPS PPS SEI SEI IDR", join({kSps, kPps, kSei, kSei, kIdr}), {kSps, kPps, join({kSei, kIdr})}},
        {"SPS PPS only", join({kSps, kPps}), {join({kSps, kPps})}},
        {"SPS only", kSps, {kSps}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        out_.calls.clear();
        input(c.frame);
        const auto frame = pstest::parseFrame(out_.calls.back());
        EXPECT_EQ(frame.map.size(), 88u);
        ASSERT_EQ(frame.pes.size(), c.packets.size() + 1);
        for (size_t i = 0; i < c.packets.size(); ++i) {
            EXPECT_EQ(frame.pes[i + 1].payload, c.packets[i]) << i;
            // SPS and PPS end their stuffing with FC, the picture with F8
            EXPECT_EQ(frame.pes[i + 1].headerData.back(), i + 1 == c.packets.size() ? 0xF8 : 0xFC);
        }
    }
}

// A frame that begins 00 00 00 00 01 has its NAL header at byte 5.
TEST_F(HikPSMuxerTest, NalHeaderAfterAFiveByteStartCode) {
    std::vector<uint8_t> frame = {0x00};
    frame.insert(frame.end(), kSps.begin(), kSps.end());
    frame.insert(frame.end(), kPps.begin(), kPps.end());
    frame.insert(frame.end(), kIdr.begin(), kIdr.end());
    input(frame);
    const auto packed = pstest::parseFrame(out_.calls.back());
    ASSERT_EQ(packed.map.size(), 88u);
    EXPECT_EQ(std::vector<uint8_t>(packed.map.begin() + 58, packed.map.begin() + 62), hex("07 80 04 40"));
    ASSERT_EQ(packed.pes.size(), 4u);
    EXPECT_EQ(packed.pes[1].payload, join({{0x00}, kSps}));
    EXPECT_EQ(packed.pes[3].payload, kIdr);
}

// Short, empty and broken frames: nothing is read past the frame (each sits
// in a heap block of its exact size) and every byte is written.
TEST_F(HikPSMuxerTest, ShortAndBrokenFramesAreWrittenWhole) {
    const std::vector<std::vector<uint8_t>> frames = {
        {},
        hex("00"),
        hex("00 00 00 01"),
        hex("00 00 00 01 01"),
        hex("00 00 00 01 67"),
        hex("00 00 00 01 67 64 00"),
        join({hex("00 00 00 01 67 64 00 28"), kPps, kIdr}),
    };
    for (const auto& bytes : frames) {
        SCOPED_TRACE(bytes.size());
        std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() + (bytes.empty() ? 1 : 0)]);
        std::copy(bytes.begin(), bytes.end(), exact.get());
        out_.calls.clear();
        const PsFrameInfo i = info(0);
        ASSERT_EQ(muxer_->InputFrame(exact.get(), int32_t(bytes.size()), &i), 0);
        const auto packed = pstest::parseFrame(out_.calls.back());
        std::vector<uint8_t> written;
        for (size_t p = 1; p < packed.pes.size(); ++p) {
            written.insert(written.end(), packed.pes[p].payload.begin(), packed.pes[p].payload.end());
        }
        EXPECT_EQ(written, bytes);
        if (!packed.map.empty() && bytes.size() <= 7) {
            // an SPS that cannot be read leaves the caller's size in the map
            EXPECT_EQ(std::vector<uint8_t>(packed.map.begin() + 58, packed.map.begin() + 62), hex("07 80 04 38"));
        }
    }
}

TEST_F(HikPSMuxerTest, BadArgumentsWriteNothing) {
    const PsFrameInfo i = info(0);
    const uint8_t byte = 0;
    EXPECT_EQ(muxer_->InputFrame(nullptr, 4, &i), -1);
    EXPECT_EQ(muxer_->InputFrame(&byte, -1, &i), -1);
    EXPECT_EQ(muxer_->InputFrame(&byte, 1, nullptr), -1);
    EXPECT_TRUE(out_.calls.empty());
}

TEST(CreatePsMuxerTest, KindsAndRefusals) {
    pstest::Output out;
    for (int32_t kind : {0, 1, 2}) {
        IPsmuxer* muxer = CreatePsMuxer(pstest::collect, &out, kind);
        ASSERT_NE(muxer, nullptr) << kind;
        EXPECT_EQ(muxer->Release(), 0);
    }
    EXPECT_EQ(CreatePsMuxer(pstest::collect, &out, 3), nullptr);
    EXPECT_EQ(CreatePsMuxer(pstest::collect, &out, -1), nullptr);
    EXPECT_EQ(CreatePsMuxer(nullptr, &out, 0), nullptr);
}

}  // namespace
