#include <ov/avc/h264_enc.h>
#include <ov/avc/stream_dec.h>

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "encoded_clip.h"
#include "yuv_image.h"

namespace {

AVC::DecOpt h264Opt() {
    return AVC::DecOpt{AVC::CODEC_ID_H264, 0, 0};
}

TEST(StreamDecTest, DecodesTheEncoderOutputAbove35dB) {
    constexpr int kW = 640;
    constexpr int kH = 360;
    std::vector<ovtest::YuvImage> source;
    for (int i = 0; i < 60; ++i) {
        source.push_back(ovtest::movingPattern(kW, kH, i));
    }
    std::vector<ovtest::EncodedPacket> packets = ovtest::encodeAll(source, 40);
    ASSERT_EQ(packets.size(), source.size());
    AVC::DecOpt opt = h264Opt();
    auto dec = AVC::CreateDec(&opt);
    ASSERT_TRUE(dec);
    // All pictures are kept to the end: a picture must not change when the
    // decoder goes on to the next frames.
    std::vector<boost::shared_ptr<AVC::Picture>> pictures;
    for (const auto& p : packets) {
        auto picture = dec->Decode(p.bytes.data(), static_cast<std::int32_t>(p.bytes.size()));
        ASSERT_TRUE(picture) << "no picture for the frame at " << p.pts;
        pictures.push_back(picture);
    }
    dec.reset();  // pictures outlive their decoder
    for (size_t i = 0; i < pictures.size(); ++i) {
        const AVC::Picture& pic = *pictures[i];
        ASSERT_EQ(pic.Width(), kW);
        ASSERT_EQ(pic.Height(), kH);
        const AVC::DecFrame* f = pic.Frame();
        ASSERT_NE(f, nullptr);
        const ovtest::YuvImage& src = source[i];
        const double y = ovtest::psnr(src.y.data(), kW, f->data[0], f->linesize[0], kW, kH);
        const double u = ovtest::psnr(src.u.data(), kW / 2, f->data[1], f->linesize[1], kW / 2, kH / 2);
        const double v = ovtest::psnr(src.v.data(), kW / 2, f->data[2], f->linesize[2], kW / 2, kH / 2);
        EXPECT_GT(y, 35.0) << "picture " << i;
        EXPECT_GT(u, 35.0) << "picture " << i;
        EXPECT_GT(v, 35.0) << "picture " << i;
        // the packed block is the same picture
        const std::uint8_t* packed = pic.Data();
        ASSERT_NE(packed, nullptr);
        EXPECT_EQ(ovtest::psnr(packed, kW, f->data[0], f->linesize[0], kW, kH), 99.0);
        EXPECT_EQ(
            ovtest::psnr(packed + kW * kH + (kW / 2) * (kH / 2), kW / 2, f->data[2], f->linesize[2], kW / 2, kH / 2),
            99.0);
    }
}

TEST(StreamDecTest, OnlyH264IsOffered) {
    EXPECT_FALSE(AVC::CreateDec(nullptr));
    for (std::int32_t codec : {0, 27, 29, -28, 173}) {
        AVC::DecOpt opt{codec, 0, 0};
        EXPECT_FALSE(AVC::CreateDec(&opt)) << codec;
    }
}

TEST(StreamDecTest, DamagedInputGivesNoPictureAndTheStreamRecovers) {
    std::vector<ovtest::YuvImage> source;
    for (int i = 0; i < 60; ++i) {
        source.push_back(ovtest::movingPattern(160, 120, i));
    }
    std::vector<ovtest::EncodedPacket> packets = ovtest::encodeAll(source, 40);
    ASSERT_EQ(packets.size(), 60u);
    ASSERT_EQ(packets[50].key, 1);  // 2 s at 40 ms
    AVC::DecOpt opt = h264Opt();
    auto dec = AVC::CreateDec(&opt);
    ASSERT_TRUE(dec);

    const std::uint8_t byte = 0;
    EXPECT_FALSE(dec->Decode(nullptr, 100));
    EXPECT_FALSE(dec->Decode(&byte, 0));
    EXPECT_FALSE(dec->Decode(&byte, -1));
    std::mt19937 random(7);
    std::vector<std::uint8_t> noise(5000);
    for (int round = 0; round < 20; ++round) {
        for (auto& b : noise) {
            b = static_cast<std::uint8_t>(random());
        }
        dec->Decode(noise.data(), static_cast<std::int32_t>(noise.size()));
    }
    // frames cut short, and frames whose references never arrived
    for (int i = 0; i < 50; i += 7) {
        const auto& p = packets[i];
        dec->Decode(p.bytes.data(), static_cast<std::int32_t>(p.bytes.size() / 2));
        dec->Decode(packets[i + 1].bytes.data(), static_cast<std::int32_t>(packets[i + 1].bytes.size()));
    }
    // from the next key frame on, pictures are whole again
    for (int i = 50; i < 60; ++i) {
        auto picture = dec->Decode(packets[i].bytes.data(), static_cast<std::int32_t>(packets[i].bytes.size()));
        ASSERT_TRUE(picture) << i;
        const AVC::DecFrame* f = picture->Frame();
        EXPECT_GT(ovtest::psnr(source[i].y.data(), 160, f->data[0], f->linesize[0], 160, 120), 35.0) << i;
    }
}

}  // namespace
