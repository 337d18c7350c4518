#include <ov/avc/jpeg_buf.h>

#include <turbojpeg.h>

#include <gtest/gtest.h>

#include <vector>

#include "yuv_image.h"

namespace {

// Decodes a JPEG back to one YUV420P block.
bool decodeJpeg(const AVC::JpegBuf& jpeg, int* width, int* height, std::vector<std::uint8_t>* yuv) {
    tjhandle h = tjInitDecompress();
    int subsamp = -1;
    int colourspace = -1;
    bool ok = tjDecompressHeader3(h, jpeg.Data(), static_cast<unsigned long>(jpeg.Size()), width, height, &subsamp,
                                  &colourspace) == 0 &&
              subsamp == TJSAMP_420;
    if (ok) {
        yuv->resize(tjBufSizeYUV2(*width, 1, *height, TJSAMP_420));
        ok = tjDecompressToYUV2(h, jpeg.Data(), static_cast<unsigned long>(jpeg.Size()), yuv->data(), *width, 1,
                                *height, 0) == 0;
    }
    tjDestroy(h);
    return ok;
}

TEST(JpegBufTest, JpegOfAKnownPictureDecodesBackCloseToIt) {
    struct Case {
        int width;
        int height;
    };
    for (Case c : {Case{640, 360}, Case{33, 17}, Case{1920, 1080}}) {
        const ovtest::YuvImage img = ovtest::movingPattern(c.width, c.height, 3);
        const std::vector<std::uint8_t> packed = img.packed();
        auto jpeg = AVC::yuv420p_to_jpeg(packed.data(), c.width, c.height);
        ASSERT_TRUE(jpeg);
        ASSERT_GT(jpeg->Size(), 4);
        EXPECT_EQ(jpeg->Data()[0], 0xff);  // SOI
        EXPECT_EQ(jpeg->Data()[1], 0xd8);
        EXPECT_EQ(jpeg->Data()[jpeg->Size() - 2], 0xff);  // EOI
        EXPECT_EQ(jpeg->Data()[jpeg->Size() - 1], 0xd9);
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> back;
        ASSERT_TRUE(decodeJpeg(*jpeg, &width, &height, &back));
        ASSERT_EQ(width, c.width);
        ASSERT_EQ(height, c.height);
        EXPECT_GT(ovtest::psnr(img.y.data(), c.width, back.data(), c.width, c.width, c.height), 35.0);
        const std::uint8_t* u = back.data() + c.width * c.height;
        EXPECT_GT(
            ovtest::psnr(img.u.data(), img.chromaWidth(), u, img.chromaWidth(), img.chromaWidth(), img.chromaHeight()),
            35.0);
    }
}

TEST(JpegBufTest, BadArgumentsGiveNothing) {
    const std::vector<std::uint8_t> packed = ovtest::movingPattern(16, 16, 0).packed();
    EXPECT_FALSE(AVC::yuv420p_to_jpeg(nullptr, 16, 16));
    for (auto [w, h] : {std::pair{0, 16}, {16, 0}, {-16, 16}, {16, -1}, {16385, 1}, {1, 16385}}) {
        EXPECT_FALSE(AVC::yuv420p_to_jpeg(packed.data(), w, h)) << w << "x" << h;
    }
}

}  // namespace
