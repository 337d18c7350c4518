#include "ps_writer.h"

#include <vector>

#include <gtest/gtest.h>

#include "mpeg_crc32.h"

namespace {

std::vector<uint8_t> bytesOf(const psmux::PsWriter& writer) {
    return std::vector<uint8_t>(writer.data(), writer.data() + writer.size());
}

// Bit by bit, straight from the definition of CRC-32/MPEG-2.
uint32_t slowCrc(const uint8_t* data, size_t length) {
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < length; ++i) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool top = ((crc >> 31) & 1) != ((data[i] >> bit) & 1);
            crc <<= 1;
            if (top) {
                crc ^= 0x04C11DB7;
            }
        }
    }
    return crc;
}

TEST(PsWriterTest, PackHeaderCarriesScrAndCounter) {
    psmux::PsWriter writer;
    writer.packHeader(psmux::clock90k(1000), 1);
    const std::vector<uint8_t> expected = {0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x16, 0xFC, 0x84, 0x01,
                                           0x01, 0xEB, 0x8B, 0xFE, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x01};
    EXPECT_EQ(bytesOf(writer), expected);
}

TEST(PsWriterTest, ClockIsMillisecondsTimes90Modulo2To33) {
    EXPECT_EQ(psmux::clock90k(40), 3600u);
    EXPECT_EQ(psmux::clock90k(95443718), (uint64_t(95443718) * 90) & ((uint64_t(1) << 33) - 1));
    EXPECT_EQ(psmux::clock90k(-1), (uint64_t(1) << 33) - 90);
}

TEST(PsWriterTest, PesWithPtsHeaderAndAlignment) {
    psmux::PsWriter writer;
    const std::vector<uint8_t> payload(100, 0xAB);
    writer.pesWithPts(psmux::clock90k(1000), payload.data(), payload.size());
    const std::vector<uint8_t> header = {0x00, 0x00, 0x01, 0xE0, 0x00, 0x6E, 0x8C, 0x80,
                                         0x07, 0x21, 0x00, 0x05, 0xBF, 0x21, 0xFF, 0xF8};
    const auto out = bytesOf(writer);
    ASSERT_EQ(out.size(), header.size() + payload.size());
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 16), header);
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 16, out.end()), payload);

    writer.clear();
    writer.pesWithPts(psmux::clock90k(40), payload.data(), 0);
    const auto at40 = bytesOf(writer);
    EXPECT_EQ(std::vector<uint8_t>(at40.begin() + 9, at40.begin() + 14),
              (std::vector<uint8_t>{0x21, 0x00, 0x01, 0x1C, 0x21}));
}

// Payload lengths 0..4 give header-data lengths 3, 2, 5, 4, 3 without PTS and
// 7, 10, 9, 8, 7 with PTS; every packet is a multiple of four bytes.
TEST(PsWriterTest, HeaderDataLengthKeepsPacketsAMultipleOfFour) {
    const size_t withoutPts[] = {3, 2, 5, 4, 3};
    const size_t withPts[] = {7, 10, 9, 8, 7};
    const std::vector<uint8_t> payload(4, 0x55);
    for (size_t length = 0; length <= 4; ++length) {
        SCOPED_TRACE(length);
        psmux::PsWriter plain;
        plain.pesWithoutPts(0xFC, payload.data(), length);
        auto out = bytesOf(plain);
        ASSERT_EQ(out.size(), 9 + withoutPts[length] + length);
        EXPECT_EQ(out[8], withoutPts[length]);
        EXPECT_EQ(out[7], 0x00);
        EXPECT_EQ(out[8 + withoutPts[length]], 0xFC);  // the end mark closes the stuffing
        EXPECT_EQ((size_t(out[4]) << 8 | out[5]), 3 + withoutPts[length] + length);
        EXPECT_EQ(out.size() % 4, 0u);

        psmux::PsWriter timed;
        timed.pesWithPts(0, payload.data(), length);
        out = bytesOf(timed);
        ASSERT_EQ(out.size(), 9 + withPts[length] + length);
        EXPECT_EQ(out[8], withPts[length]);
        EXPECT_EQ(out[8 + withPts[length]], 0xF8);
        EXPECT_EQ(out.size() % 4, 0u);
    }
}

TEST(PsWriterTest, MapFieldsAndCrcLeastSignificantByteFirst) {
    psmux::PsWriter writer;
    PsFrameInfo info = {};
    info.year = 2026;
    info.month = 3;
    info.day = 14;
    info.hour = 15;
    info.minute = 9;
    info.second = 26;
    writer.streamMap(0x1B, 0x00123402, info, 1920, 1088);
    const auto map = bytesOf(writer);
    ASSERT_EQ(map.size(), 88u);
    EXPECT_EQ((std::vector<uint8_t>(map.begin(), map.begin() + 12)),
              (std::vector<uint8_t>{0x00, 0x00, 0x01, 0xBC, 0x00, 0x52, 0xE2, 0xFF, 0x00, 0x24, 0x40, 0x0E}));
    EXPECT_EQ(map[16], uint8_t(2026 + 48));
    const uint32_t when = (3u << 28) | (14u << 23) | (15u << 18) | (9u << 12) | (26u << 6) | 0x20;
    EXPECT_EQ((std::vector<uint8_t>(map.begin() + 17, map.begin() + 21)),
              (std::vector<uint8_t>{uint8_t(when >> 24), uint8_t(when >> 16), uint8_t(when >> 8), uint8_t(when)}));
    EXPECT_EQ(map[48], 0x1B);
    EXPECT_EQ((std::vector<uint8_t>(map.begin() + 58, map.begin() + 62)),
              (std::vector<uint8_t>{0x07, 0x80, 0x04, 0x40}));
    EXPECT_EQ((std::vector<uint8_t>(map.begin() + 62, map.begin() + 72)),
              (std::vector<uint8_t>{0x11, 0x0F, 0xFF, 0x00, 0x1C, 0x21, 0x91, 0xC0, 0x00, 0x0C}));
    const uint32_t crc = slowCrc(map.data(), 84);
    EXPECT_EQ((std::vector<uint8_t>(map.begin() + 84, map.end())),
              (std::vector<uint8_t>{uint8_t(crc), uint8_t(crc >> 8), uint8_t(crc >> 16), uint8_t(crc >> 24)}));
}

TEST(PsWriterTest, CrcMatchesTheStandardCheckValue) {
    const char text[] = "123456789";
    EXPECT_EQ(psmux::mpegCrc32(reinterpret_cast<const uint8_t*>(text), 9), 0x0376E6E7u);
}

// A payload beyond the 16-bit PES length continues in further packets: the
// first keeps the PTS and the alignment flag, the rest have neither.
TEST(PsWriterTest, LongPayloadIsSplitOverWellFormedPackets) {
    std::vector<uint8_t> payload(3 * psmux::PsWriter::kPiece + 1234);
    for (size_t i = 0; i < payload.size(); ++i) {
        payload[i] = uint8_t(i * 7);
    }
    for (const bool timed : {true, false}) {
        SCOPED_TRACE(timed);
        psmux::PsWriter writer;
        if (timed) {
            writer.pesWithPts(90000, payload.data(), payload.size());
        } else {
            writer.pesWithoutPts(0xF8, payload.data(), payload.size());
        }
        const auto out = bytesOf(writer);
        std::vector<uint8_t> joined;
        size_t at = 0;
        int packets = 0;
        while (at < out.size()) {
            ASSERT_LE(at + 9, out.size());
            ASSERT_EQ((std::vector<uint8_t>(out.begin() + long(at), out.begin() + long(at) + 4)),
                      (std::vector<uint8_t>{0x00, 0x00, 0x01, 0xE0}));
            const size_t size = 6 + ((size_t(out[at + 4]) << 8) | out[at + 5]);
            EXPECT_EQ(size % 4, 0u);
            EXPECT_EQ(out[at + 6], packets == 0 ? 0x8C : 0x88);
            EXPECT_EQ(out[at + 7], (timed && packets == 0) ? 0x80 : 0x00);
            const size_t payloadAt = at + 9 + out[at + 8];
            joined.insert(joined.end(), out.begin() + long(payloadAt), out.begin() + long(at + size));
            at += size;
            ++packets;
        }
        EXPECT_EQ(at, out.size());
        EXPECT_EQ(packets, 4);
        EXPECT_EQ(joined, payload);
    }
}

}  // namespace
