#include <demux/mpeg2_demux.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "demux_recorder.h"

namespace {

using dmxtest::Delivery;
using dmxtest::PsBuilder;
using dmxtest::Recorder;

const std::string kBadUnit = "dmx: Warning in CMpeg2Demux::Demultiplex - ((*PDW & 0x00FFFFFF) != 0x00010000).";

std::vector<uint8_t> pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = uint8_t(0x80 | (seed + i * 13));  // no start code inside
    }
    return bytes;
}

class StdoutCapture {
public:
    StdoutCapture() { testing::internal::CaptureStdout(); }
    std::string text() {
        std::fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }
};

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) {
        ++n;
    }
    return n;
}

// Flags, times and the one-pack lag, the same for every way of chunking.
TEST(Mpeg2DemuxTest, PacksBecomeFramesOnePackLate) {
    const auto a = pattern(300, 1);
    const auto b = pattern(50, 2);
    const auto c = pattern(70, 3);
    const auto d = pattern(80, 4);
    const auto e = pattern(90, 5);
    PsBuilder stream;
    stream.pack(180, 3).systemHeader().map(0x1B).pes(0xE0, a, 900).pes(0xC0, b, 9000);
    stream.pack(179).pes(0xE0, c).pes(0xE1, pattern(20, 9)).pes(0xBD, pattern(30, 9));
    stream.pack(90000).map(0x10).pes(0xE0, d);
    stream.pack(90090).systemHeader().pes(0xE0, e);
    stream.pack(180000).map(0x02).pes(0xE0, a);
    stream.pack(270000).padding();
    const std::vector<Delivery> expected = {
        {0xE0, a, 2, hik::PACK_MAP_H264},  {0xC0, b, 100, 0},
        {0xE0, c, 1, hik::PACK_PLAIN},     {0xE0, d, 1000, hik::PACK_MAP_MPEG4},
        {0xE0, e, 1001, hik::PACK_SYSTEM}, {0xE0, a, 2000, hik::PACK_SYSTEM},
    };
    for (const auto& chunking : dmxtest::chunkings()) {
        SCOPED_TRACE(chunking.name);
        const dmxtest::Pass pass = dmxtest::demuxOnce(stream.bytes, chunking);
        EXPECT_EQ(pass.printed, "");
        EXPECT_EQ(pass.recorder.got, expected);
    }
}

TEST(Mpeg2DemuxTest, IncompleteInputWaits) {
    PsBuilder stream;
    stream.pack(900).pes(0xE0, pattern(400, 1)).pack(1800).pes(0xE0, pattern(200, 2));
    hik::CMpeg2Demux demux;
    Recorder recorder;
    demux.SetEsCBK(recorder.callback());
    // up to the middle of the second pack's PES packet: the first pack's
    // frame needs the second pack header and 141 bytes from it
    const size_t secondPack = 14 + 9 + 400;
    EXPECT_EQ(demux.AddData(stream.bytes.data(), int32_t(secondPack + 140)), 0);
    EXPECT_TRUE(recorder.got.empty());
    EXPECT_EQ(demux.AddData(stream.bytes.data() + secondPack + 140, 1), 0);
    ASSERT_EQ(recorder.got.size(), 1u);
    EXPECT_EQ(recorder.got[0].data, pattern(400, 1));
}

// 140 bytes or fewer are never looked at, not even to warn.
TEST(Mpeg2DemuxTest, ShortInputIsNotExamined) {
    PsBuilder stream;
    stream.raw({0x00, 0x00, 0x01, 0xBB, 0x00, 0x06}).raw(pattern(200, 7));
    hik::CMpeg2Demux demux;
    StdoutCapture out;
    EXPECT_EQ(demux.AddData(stream.bytes.data(), 140), 0);
    EXPECT_EQ(demux.AddData(stream.bytes.data() + 140, 1), 0);
    EXPECT_EQ(out.text(), kBadUnit);
}

TEST(Mpeg2DemuxTest, AddDataResults) {
    hik::CMpeg2Demux demux;
    const uint8_t byte = 0;
    {
        StdoutCapture out;
        EXPECT_EQ(demux.AddData(nullptr, 10), -1);
        EXPECT_EQ(demux.AddData(&byte, -1), -1);
        EXPECT_EQ(
            out.text(),
            "dmx: Error in CMpeg2Demux::AddData - invalid data.dmx: Error in CMpeg2Demux::AddData - invalid data.");
    }
    {
        StdoutCapture out;
        EXPECT_EQ(demux.AddData(&byte, 0), -1);
        EXPECT_EQ(out.text(), "dmx: Error in CMpeg2Demux::AddData - error demultiplexing.");
    }
    {
        StdoutCapture out;
        EXPECT_EQ(demux.AddData(&byte, 1), 0);
        EXPECT_EQ(demux.AddData(&byte, 0), 0);  // one byte is held
        EXPECT_EQ(demux.Demultiplex(), 1);
        EXPECT_EQ(out.text(), "");
    }
    hik::CMpeg2Demux empty;
    EXPECT_EQ(empty.Demultiplex(), 0);
}

// Garbage is skipped silently; a unit whose length does not land on a start
// code is warned about and the scan moves on by one byte, so the next good
// pack is found again.
TEST(Mpeg2DemuxTest, ResynchronisesAfterGarbageAndBrokenUnits) {
    const auto a = pattern(100, 1);
    const auto b = pattern(100, 2);
    PsBuilder stream;
    stream.raw(pattern(333, 5)).pack(900).pes(0xE0, a);
    stream.pack(1800).raw({0x00, 0x00, 0x01, 0xE0, 0x00, 0x50}).raw(pattern(200, 6));  // length lands nowhere
    stream.pack(2700).pes(0xE0, b).raw({0x00, 0x00, 0x01, 0xBA}).raw(pattern(16, 3));  // pack header not followed
    stream.pack(3600).padding();
    for (const auto& chunking : dmxtest::chunkings()) {
        SCOPED_TRACE(chunking.name);
        const dmxtest::Pass pass = dmxtest::demuxOnce(stream.bytes, chunking);
        EXPECT_EQ(pass.printed, kBadUnit + kBadUnit);
        const std::vector<Delivery> expected = {{0xE0, a, 10, 0}, {0xE0, b, 30, 0}};
        EXPECT_EQ(pass.recorder.got, expected);
    }
}

// Video gathered before the first pack header (a stream joined in the middle
// of a pack) goes out at that header, timed from bytes 4 to 8 of its first unit.
TEST(Mpeg2DemuxTest, VideoBeforeTheFirstPackHeader) {
    const auto a = pattern(13, 1);
    PsBuilder stream;
    stream.pes(0xE0, a).pack(900).padding();
    hik::CMpeg2Demux demux;
    Recorder recorder;
    demux.SetEsCBK(recorder.callback());
    dmxtest::feed(demux, stream.bytes, dmxtest::chunkings()[0]);
    // bytes 4..8 are 00 10 80 00 00: read as an SCR that is 0x1080000 ticks
    ASSERT_EQ(recorder.got.size(), 1u);
    EXPECT_EQ(recorder.got[0].timeMs, 0x1080000u / 90);
    EXPECT_EQ(recorder.got[0].data, a);
}

TEST(Mpeg2DemuxTest, OddUnits) {
    // a map too short to hold its first entry leaves the flag at 1
    PsBuilder shortMap;
    shortMap.pack(900).raw({0x00, 0x00, 0x01, 0xBC, 0x00, 0x06, 0xE0, 0xFF, 0x00, 0x04, 0x00, 0x00});
    shortMap.pes(0xE0, pattern(10, 1)).pack(1800).padding();
    // a header data length that leaves no payload gives no video; an audio
    // packet of the same kind would read past its end with the recorders'
    // fallback length, which is cut at the packet's end
    PsBuilder noPayload;
    noPayload.pack(900).raw({0x00, 0x00, 0x01, 0xE0, 0x00, 0x05, 0x80, 0x00, 0x10, 0x11, 0x22});
    noPayload.raw({0x00, 0x00, 0x01, 0xC0, 0x00, 0xFA, 0x80, 0x00, 0xFF}).raw(pattern(250 - 3, 1));
    noPayload.pack(1800).padding(141);
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        std::vector<Delivery> expected;
    } cases[] = {
        {"short map", shortMap.bytes, {{0xE0, pattern(10, 1), 10, hik::PACK_SYSTEM}}},
        {"no payload", noPayload.bytes, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // the caller's bytes are scanned where they lie: an exact heap block
        // lets the sanitizer see any read past them
        std::unique_ptr<uint8_t[]> exact(new uint8_t[c.bytes.size()]);
        std::copy(c.bytes.begin(), c.bytes.end(), exact.get());
        hik::CMpeg2Demux demux;
        Recorder recorder;
        demux.SetEsCBK(recorder.callback());
        EXPECT_EQ(demux.AddData(exact.get(), int32_t(c.bytes.size())), 0);
        EXPECT_EQ(recorder.got, c.expected);
    }
}

// A system header, map or private packet whose length field is 0xFFFA has a
// 16-bit unit size of 0; it must not hold the scan in place.
TEST(Mpeg2DemuxTest, UnitSizeThatWrapsToZeroMovesOn) {
    for (const uint8_t id : {0xBB, 0xBC, 0xBD}) {
        SCOPED_TRACE(int(id));
        const auto a = pattern(64, 1);
        PsBuilder stream;
        // a private packet goes on as a PES packet, which waits for 65540 bytes
        stream.pack(900).pes(0xE0, a).raw({0x00, 0x00, 0x01, id, 0xFF, 0xFA}).raw(pattern(70000, 2));
        stream.pack(1800).padding();
        hik::CMpeg2Demux demux;
        Recorder recorder;
        demux.SetEsCBK(recorder.callback());
        StdoutCapture out;
        EXPECT_EQ(demux.AddData(stream.bytes.data(), int32_t(stream.bytes.size())), 0);
        // a private packet is warned about again each time the scan comes back
        // to it while the PES packet it is taken for waits for its bytes
        if (id == 0xBD) {
            EXPECT_GE(count(out.text(), kBadUnit), 2u);
        } else {
            EXPECT_EQ(count(out.text(), kBadUnit), 1u);
        }
        ASSERT_EQ(recorder.got.size(), 1u);
        EXPECT_EQ(recorder.got[0].data, a);
    }
}

// A receiver that fails once gets the same frame again at the next AddData;
// nothing is lost.
TEST(Mpeg2DemuxTest, FailedDeliveryIsRetried) {
    const auto a = pattern(100, 1);
    const auto b = pattern(100, 2);
    PsBuilder first;
    first.pack(900).pes(0xE0, a).pack(1800).pes(0xE0, b);
    PsBuilder rest;
    rest.pack(2700).padding();
    hik::CMpeg2Demux demux;
    Recorder recorder;
    recorder.failNext(1);
    demux.SetEsCBK(recorder.callback());
    StdoutCapture out;
    // more than 140 bytes behind the second pack header
    first.padding();
    EXPECT_EQ(demux.AddData(first.bytes.data(), int32_t(first.bytes.size())), 0);
    EXPECT_TRUE(recorder.got.empty());
    EXPECT_EQ(demux.AddData(rest.bytes.data(), int32_t(rest.bytes.size())), 0);
    EXPECT_EQ(out.text(), "dmx: Error in CMpeg2Demux::Demultiplex call...");
    const std::vector<Delivery> expected = {{0xE0, a, 10, 0}, {0xE0, b, 20, 0}};
    EXPECT_EQ(recorder.got, expected);
}

// However large the chunk, a failed delivery is tried once per AddData; the
// rest of the chunk waits.
TEST(Mpeg2DemuxTest, FailedDeliveryTriedOncePerChunk) {
    PsBuilder stream;
    for (int i = 0; i < 40; ++i) {
        stream.pack(900 * uint64_t(i + 1)).pes(0xE0, pattern(30000, uint8_t(i)));
    }
    stream.pack(90000).padding();
    hik::CMpeg2Demux demux;
    Recorder recorder;
    recorder.failNext(1);
    demux.SetEsCBK(recorder.callback());
    StdoutCapture out;
    EXPECT_EQ(demux.AddData(stream.bytes.data(), int32_t(stream.bytes.size())), 0);
    EXPECT_EQ(out.text(), "dmx: Error in CMpeg2Demux::Demultiplex call...");
    EXPECT_TRUE(recorder.got.empty());
    const uint8_t none = 0;
    EXPECT_EQ(demux.AddData(&none, 0), 0);
    ASSERT_EQ(recorder.got.size(), 40u);
    EXPECT_EQ(recorder.got[39].data, pattern(30000, 39));
}

// A pack stream whose receiver never accepts piles up input only to the
// bound; then input and pending pack are dropped and the scan starts afresh.
TEST(Mpeg2DemuxTest, FailingReceiverDoesNotPileUpInput) {
    PsBuilder pack;
    pack.pack(900).pes(0xE0, pattern(60000, 1));
    hik::CMpeg2Demux demux;
    Recorder recorder;
    bool failing = true;
    recorder.before = [&failing](const Delivery&) {
        if (failing) {
            throw std::runtime_error("receiver failed");
        }
    };
    demux.SetEsCBK(recorder.callback());
    StdoutCapture out;
    for (int i = 0; i < 100; ++i) {  // about 6 MB
        ASSERT_EQ(demux.AddData(pack.bytes.data(), int32_t(pack.bytes.size())), 0);
    }
    const std::string text = out.text();
    EXPECT_EQ(count(text, "dmx: Warning in CMpeg2Demux::AddData - unread input over 4194304 bytes dropped."), 1u);
    EXPECT_GT(count(text, "dmx: Error in CMpeg2Demux::Demultiplex call..."), 60u);
    EXPECT_TRUE(recorder.got.empty());
    // once the receiver takes frames again, they flow
    failing = false;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(demux.AddData(pack.bytes.data(), int32_t(pack.bytes.size())), 0);
    }
    EXPECT_GE(recorder.got.size(), 2u);
    for (const auto& delivery : recorder.got) {
        EXPECT_EQ(delivery.data, pattern(60000, 1));
    }
}

// Without pack headers video gathers only up to the bound; the rest of that
// pack is dropped with a warning and the next pack is whole again.
TEST(Mpeg2DemuxTest, VideoOfOnePackIsBounded) {
    const auto chunk = pattern(60000, 3);
    PsBuilder stream;
    stream.pack(900);
    for (int i = 0; i < 80; ++i) {  // 4.8 MB in one pack
        stream.pes(0xE0, chunk);
    }
    stream.pack(1800).pes(0xE0, chunk).pack(2700).padding();
    hik::CMpeg2Demux demux;
    Recorder recorder;
    demux.SetEsCBK(recorder.callback());
    StdoutCapture out;
    dmxtest::feed(demux, stream.bytes, dmxtest::chunkings()[2]);
    EXPECT_EQ(out.text(), "dmx: Warning in CMpeg2Demux::Demultiplex - video frame over 4194304 bytes dropped.");
    ASSERT_EQ(recorder.got.size(), 1u);
    EXPECT_EQ(recorder.got[0].data, chunk);
    EXPECT_EQ(recorder.got[0].timeMs, 20u);
}

TEST(Mpeg2DemuxTest, NoCallbackNoOutputAndCallbackReplaced) {
    PsBuilder stream;
    stream.pack(900).pes(0xE0, pattern(10, 1)).pack(1800).pes(0xE0, pattern(10, 2)).pack(2700).padding();
    hik::CMpeg2Demux demux;
    const size_t half = 14 + 19 + 14 + 19 + 140;  // the third pack header waits
    EXPECT_EQ(demux.AddData(stream.bytes.data(), int32_t(half)), 0);
    Recorder recorder;
    EXPECT_EQ(demux.SetEsCBK(recorder.callback()), 0);
    EXPECT_EQ(demux.AddData(stream.bytes.data() + half, int32_t(stream.bytes.size() - half)), 0);
    ASSERT_EQ(recorder.got.size(), 1u);
    EXPECT_EQ(recorder.got[0].data, pattern(10, 2));
}

}  // namespace
