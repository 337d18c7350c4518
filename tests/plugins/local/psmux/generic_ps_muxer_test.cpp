#include <psmux/ps_muxer.h>

#include <vector>

#include <gtest/gtest.h>

#include "ps_output.h"

namespace {

using pstest::hex;

PsFrameInfo info(int32_t key, int64_t timestampMs) {
    PsFrameInfo i = {};
    i.key = key;
    i.width = 0x10500;  // only the low 16 bits reach the map
    i.height = 576;
    i.timestampMs = timestampMs;
    i.year = 2026;
    i.month = 1;
    i.day = 2;
    return i;
}

struct Muxed {
    pstest::Output out;
    std::vector<pstest::PackedFrame> frames;
};

Muxed mux(int32_t kind, const std::vector<std::pair<std::vector<uint8_t>, PsFrameInfo>>& input) {
    Muxed result;
    IPsmuxer* muxer = CreatePsMuxer(pstest::collect, &result.out, kind);
    for (const auto& frame : input) {
        EXPECT_EQ(muxer->InputFrame(frame.first.data(), int32_t(frame.first.size()), &frame.second), 0);
    }
    muxer->Release();
    for (const auto& call : result.out.calls) {
        result.frames.push_back(pstest::parseFrame(call));
    }
    return result;
}

// One PES packet with PTS per frame, the map before frames that begin with an
// SPS, no file header, no time-stamp packet.
TEST(GenericPSMuxerTest, OnePacketWithPtsPerFrame) {
    const auto key = hex("00 00 00 01 67 42 C0 0D D9 00 00 00 01 68 CE 3C 80 00 00 01 65 88 80");
    const auto p = hex("00 00 00 01 41 9A 02");
    const auto late = hex("00 00 00 00 01 67 42 C0");  // the SPS at byte 5 is not looked for
    const auto muxed = mux(1, {{key, info(0, 1000)}, {p, info(1, 1040)}, {late, info(1, 1080)}});
    ASSERT_EQ(muxed.frames.size(), 3u);
    EXPECT_EQ(muxed.out.calls[0].size() % 4, 0u);
    EXPECT_EQ(muxed.frames[0].packHeader, hex("00 00 01 BA 44 00 16 FC 84 01 01 EB 8B FE FF FF 00 00 00 01"));
    ASSERT_EQ(muxed.frames[0].map.size(), 88u);
    EXPECT_EQ(muxed.frames[0].map[6], 0xE1);
    EXPECT_EQ(muxed.frames[0].map[48], 0x1B);
    EXPECT_EQ(std::vector<uint8_t>(muxed.frames[0].map.begin() + 58, muxed.frames[0].map.begin() + 62),
              hex("05 00 02 40"));
    EXPECT_TRUE(muxed.frames[1].map.empty());
    EXPECT_TRUE(muxed.frames[2].map.empty());
    const std::vector<std::vector<uint8_t>> frames = {key, p, late};
    for (size_t i = 0; i < 3; ++i) {
        ASSERT_EQ(muxed.frames[i].pes.size(), 1u);
        EXPECT_EQ(muxed.frames[i].pes[0].ptsDts, 0x80);
        EXPECT_EQ(muxed.frames[i].pes[0].payload, frames[i]);
    }
    EXPECT_EQ(
        std::vector<uint8_t>(muxed.frames[1].pes[0].headerData.begin(), muxed.frames[1].pes[0].headerData.begin() + 5),
        hex("21 00 05 DB 41"));  // 1040 ms
}

// The MPEG-4 muxer trusts the record's key flag alone.
TEST(GenericPSMuxerTest, Mpeg4MapFollowsTheKeyFlag) {
    const auto vop = hex("00 00 01 B6 10 20 30");
    const auto vol = hex("00 00 00 01 67 00 00 01 B6");
    const auto muxed = mux(2, {{vop, info(1, 0)}, {vol, info(0, 40)}, {vop, info(2, 80)}});
    ASSERT_EQ(muxed.frames.size(), 3u);
    ASSERT_EQ(muxed.frames[0].map.size(), 88u);
    EXPECT_EQ(muxed.frames[0].map[48], 0x10);
    EXPECT_TRUE(muxed.frames[1].map.empty());
    EXPECT_TRUE(muxed.frames[2].map.empty());
    EXPECT_EQ(muxed.frames[1].pes[0].payload, vol);
}

}  // namespace
