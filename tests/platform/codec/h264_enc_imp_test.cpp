#include <ov/avc/h264_enc.h>
#include <ov/avc/stream_dec.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "encoded_clip.h"
#include "h264_nal.h"
#include "yuv_image.h"

namespace {

using ovtest::EncodedPacket;

constexpr int kSps = 7;
constexpr int kPps = 8;
constexpr int kIdr = 5;

std::vector<EncodedPacket> encodeAt(int fps, int count, int width = 320, int height = 180) {
    auto enc = AVC::CreateH264Enc(width, height);
    std::vector<EncodedPacket> packets;
    if (!enc) {
        return packets;
    }
    EXPECT_EQ(enc->SetOutput([&](AVC::Packet* p) {
        packets.push_back({std::vector<std::uint8_t>(p->data, p->data + p->size), p->pts, p->key});
    }),
              0);
    for (int i = 0; i < count; ++i) {
        ovtest::YuvImage img = ovtest::movingPattern(width, height, i);
        AVC::DecFrame f = ovtest::frameOf(img, static_cast<std::int64_t>(i) * 1000 / fps);
        const size_t before = packets.size();
        EXPECT_EQ(enc->Encode(&f), 0);
        // zero latency: the picture's packet is out before Encode returns
        EXPECT_EQ(packets.size(), before + 1);
    }
    return packets;
}

TEST(H264EncTest, KeyFrameEveryTwoSecondsBeginsWithSpsThenPps) {
    struct Case {
        int fps;
        int count;
        std::vector<std::int64_t> keys;
    };
    // key frames follow the time stamps, whatever the frame rate
    const Case cases[] = {
        {25, 130, {0, 2000, 4000}},
        {10, 45, {0, 2000, 4000}},
        {30, 121, {0, 2000, 4000}},
    };
    for (const Case& c : cases) {
        std::vector<EncodedPacket> packets = encodeAt(c.fps, c.count);
        ASSERT_EQ(packets.size(), static_cast<size_t>(c.count));
        std::vector<std::int64_t> keys;
        for (size_t i = 0; i < packets.size(); ++i) {
            const EncodedPacket& p = packets[i];
            EXPECT_EQ(p.pts, static_cast<std::int64_t>(i) * 1000 / c.fps);
            ASSERT_TRUE(ovtest::startsWithStartCode(p.bytes.data(), static_cast<int>(p.bytes.size())));
            std::vector<int> types = ovtest::nalTypes(p.bytes.data(), static_cast<int>(p.bytes.size()));
            ASSERT_FALSE(types.empty());
            if (p.key) {
                keys.push_back(p.pts);
                ASSERT_GE(types.size(), 3u);
                EXPECT_EQ(types[0], kSps) << "key frame at " << p.pts;
                EXPECT_EQ(types[1], kPps) << "key frame at " << p.pts;
                EXPECT_NE(std::find(types.begin(), types.end(), kIdr), types.end());
            } else {
                EXPECT_EQ(std::find(types.begin(), types.end(), kSps), types.end());
                EXPECT_EQ(std::find(types.begin(), types.end(), kIdr), types.end());
            }
        }
        EXPECT_EQ(keys, c.keys) << c.fps << " fps";
    }
}

TEST(H264EncTest, TimeStampsThatDoNotIncreaseStillEncode) {
    auto enc = AVC::CreateH264Enc(64, 64);
    ASSERT_TRUE(enc);
    std::vector<std::int64_t> pts;
    enc->SetOutput([&](AVC::Packet* p) { pts.push_back(p->pts); });
    ovtest::YuvImage img = ovtest::movingPattern(64, 64, 0);
    for (std::int64_t t : {100, 100, 90, 140}) {
        AVC::DecFrame f = ovtest::frameOf(img, t);
        EXPECT_EQ(enc->Encode(&f), 0);
    }
    EXPECT_EQ(pts, (std::vector<std::int64_t>{100, 101, 102, 140}));
}

TEST(H264EncTest, OddSizeLosesItsLastRowAndColumn) {
    auto picture = ovtest::encodeAndDecode(ovtest::movingPattern(161, 91, 0));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), 160);
    EXPECT_EQ(picture->Height(), 90);
}

TEST(H264EncTest, BadSizesAndFramesAreRefused) {
    for (auto [w, h] : {std::pair{0, 0}, {1, 100}, {100, 1}, {-2, 4}, {8194, 100}, {100, 8194}}) {
        EXPECT_FALSE(AVC::CreateH264Enc(w, h)) << w << "x" << h;
    }
    auto enc = AVC::CreateH264Enc(64, 48);
    ASSERT_TRUE(enc);
    int packets = 0;
    enc->SetOutput([&](AVC::Packet*) { ++packets; });
    ovtest::YuvImage img = ovtest::movingPattern(64, 48, 0);
    ovtest::YuvImage other = ovtest::movingPattern(64, 50, 0);
    EXPECT_EQ(enc->Encode(nullptr), -1);
    AVC::DecFrame wrongSize = ovtest::frameOf(other, 0);
    EXPECT_EQ(enc->Encode(&wrongSize), -1);
    AVC::DecFrame noPlane = ovtest::frameOf(img, 0);
    noPlane.data[2] = nullptr;
    EXPECT_EQ(enc->Encode(&noPlane), -1);
    AVC::DecFrame shortRows = ovtest::frameOf(img, 0);
    shortRows.linesize[0] = 32;
    EXPECT_EQ(enc->Encode(&shortRows), -1);
    EXPECT_EQ(packets, 0);
    AVC::DecFrame good = ovtest::frameOf(img, 0);
    EXPECT_EQ(enc->Encode(&good), 0);
    EXPECT_EQ(packets, 1);
}

TEST(H264EncTest, OutputMayBeMissingOrThrow) {
    auto enc = AVC::CreateH264Enc(64, 48);
    ASSERT_TRUE(enc);
    ovtest::YuvImage img = ovtest::movingPattern(64, 48, 0);
    AVC::DecFrame f = ovtest::frameOf(img, 0);
    EXPECT_EQ(enc->Encode(&f), 0);  // no output set: dropped
    enc->SetOutput([](AVC::Packet*) { throw std::runtime_error("receiver failed"); });
    f.pts = 40;
    EXPECT_THROW(enc->Encode(&f), std::runtime_error);
    std::vector<std::int64_t> pts;
    enc->SetOutput([&](AVC::Packet* p) { pts.push_back(p->pts); });
    f.pts = 80;
    EXPECT_EQ(enc->Encode(&f), 0);
    EXPECT_EQ(pts, (std::vector<std::int64_t>{80}));
}

}  // namespace
