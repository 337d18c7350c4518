#include "h264_live_dec.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <ov/window/top_window.h>
#include <ov/window/window_capture.h>

#include "encoded_clip.h"
#include "frame_collector.h"
#include "x_test_env.h"
#include "yuv_image.h"

namespace {

using local::H264LiveDec;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kPictures = 60;  // key frames at 0 and 50 (one every 2 s)

struct Stream {
    std::vector<ovtest::YuvImage> pictures;
    std::vector<ovtest::EncodedPacket> packets;
};

const Stream& stream() {
    static const Stream s = [] {
        Stream made;
        for (int i = 0; i < kPictures; ++i) {
            made.pictures.push_back(ovtest::movingPattern(kWidth, kHeight, i));
        }
        made.packets = ovtest::encodeAll(made.pictures, 40);
        return made;
    }();
    return s;
}

void feed(H264LiveDec& dec, int from, int to) {
    for (int i = from; i < to; ++i) {
        const ovtest::EncodedPacket& p = stream().packets[i];
        ASSERT_EQ(dec.InputData(OV::STREAM_H264, p.bytes.data(), static_cast<int32_t>(p.bytes.size())), 0);
    }
}

// The JPEG's luma plane against one of the stream's pictures.
double lumaPsnr(const OV::JpegData& jpeg, const ovtest::YuvImage& expected) {
    tjhandle h = tjInitDecompress();
    int width = 0;
    int height = 0;
    int subsamp = -1;
    int colourspace = -1;
    double result = 0;
    if (tjDecompressHeader3(h, jpeg.Data(), static_cast<unsigned long>(jpeg.Size()), &width, &height, &subsamp,
                            &colourspace) == 0 &&
        width == expected.width && height == expected.height && subsamp == TJSAMP_420) {
        std::vector<uint8_t> yuv(tjBufSizeYUV2(width, 1, height, TJSAMP_420));
        if (tjDecompressToYUV2(h, jpeg.Data(), static_cast<unsigned long>(jpeg.Size()), yuv.data(), width, 1, height,
                               0) == 0) {
            result = ovtest::psnr(yuv.data(), width, expected.y.data(), expected.width, width, height);
        }
    }
    tjDestroy(h);
    return result;
}

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool exists(const std::string& path) {
    return std::ifstream(path).good();
}

// The system clock reference of every pack header, in ms. The Hik layout
// puts nothing but start-code-free H.264 and fixed headers between them.
std::vector<int64_t> packClocksMs(const std::vector<uint8_t>& f) {
    std::vector<int64_t> out;
    for (size_t i = 0; i + 10 <= f.size(); ++i) {
        if (f[i] == 0 && f[i + 1] == 0 && f[i + 2] == 1 && f[i + 3] == 0xBA) {
            const uint8_t* b = &f[i + 4];
            const int64_t base = (int64_t((b[0] >> 3) & 7) << 30) | (int64_t(b[0] & 3) << 28) | (int64_t(b[1]) << 20) |
                                 (int64_t((b[2] >> 3) & 0x1f) << 15) | (int64_t(b[2] & 3) << 13) |
                                 (int64_t(b[3]) << 5) | (b[4] >> 3);
            out.push_back(base / 90);
        }
    }
    return out;
}

std::string tempPath(const char* name) {
    return testing::TempDir() + name;
}

TEST(H264LiveDecTest, NoPictureBeforeTheFirstIsDecodedAndNoSound) {
    H264LiveDec dec;
    EXPECT_FALSE(dec.Capture());
    EXPECT_EQ(dec.OpenSound(), -1);
    EXPECT_EQ(dec.CloseSound(), -1);
    EXPECT_EQ(dec.InputData(OV::STREAM_H264, nullptr, 10), -1);
    EXPECT_EQ(dec.StopSave(), 0);  // nothing to stop
}

TEST(H264LiveDecTest, WithoutAWindowCaptureDecodesTheNewestPicture) {
    ASSERT_EQ(stream().packets.size(), static_cast<size_t>(kPictures));
    H264LiveDec dec;
    feed(dec, 0, 30);
    boost::shared_ptr<OV::JpegData> first = dec.Capture();
    ASSERT_TRUE(first);
    EXPECT_GT(lumaPsnr(*first, stream().pictures[29]), 30.0);
    // the stream goes on past a key frame; the capture follows it
    feed(dec, 30, kPictures);
    boost::shared_ptr<OV::JpegData> second = dec.Capture();
    ASSERT_TRUE(second);
    EXPECT_GT(lumaPsnr(*second, stream().pictures[kPictures - 1]), 30.0);
}

TEST(H264LiveDecTest, AWindowShowsTheFramesAndCaptureTakesTheShownPicture) {
    OV_REQUIRE_DISPLAY();
    const ovwin::WindowId window = ovwin::createWindow(kWidth, kHeight, "h264_live_dec_test");
    ASSERT_NE(window, 0u);
    {
        H264LiveDec dec;
        ASSERT_EQ(dec.SetWnd(window), 0);
        // nothing rendered yet
        EXPECT_FALSE(dec.Capture());
        feed(dec, 0, kPictures);
        // a burst renders at the fastest cadence; the last picture is shown at length
        EXPECT_TRUE(localtest::eventually([&] {
            boost::shared_ptr<OV::JpegData> jpeg = dec.Capture();
            return jpeg && lumaPsnr(*jpeg, stream().pictures[kPictures - 1]) > 30.0;
        }));
        ovwin::Snapshot shot;
        ASSERT_TRUE(ovwin::grabWindow(window, &shot));
        int lit = 0;
        for (int y = 0; y < shot.height; y += 8) {
            for (int x = 0; x < shot.width; x += 8) {
                const ovwin::Rgb p = shot.at(x, y);
                lit += (p.r + p.g + p.b) > 60;
            }
        }
        EXPECT_GT(lit, 100) << "the window stayed dark";
    }
    ovwin::destroyWindow(window);
}

TEST(H264LiveDecTest, AWindowThatCannotBeUsedIsRefusedAndCaptureStillWorks) {
    H264LiveDec dec;
    // no display, or an id that names no window
    EXPECT_EQ(dec.SetWnd(0x3ffffff1u), -1);
    feed(dec, 0, 10);
    boost::shared_ptr<OV::JpegData> jpeg = dec.Capture();
    ASSERT_TRUE(jpeg);
    EXPECT_GT(lumaPsnr(*jpeg, stream().pictures[9]), 30.0);
}

TEST(H264LiveDecTest, OneRecordingAtATimeWithTheRecordClockGoingOnAcrossRecordings) {
    const std::string a = tempPath("h264_live_dec_a.ps");
    const std::string b = tempPath("h264_live_dec_b.ps");
    std::remove(a.c_str());
    std::remove(b.c_str());
    {
        H264LiveDec dec;
        ASSERT_EQ(dec.StartSave(a.c_str()), 0);
        feed(dec, 0, 2);
        // a second start changes nothing: no file, and the first goes on
        EXPECT_EQ(dec.StartSave(b.c_str()), -1);
        EXPECT_FALSE(exists(b));
        feed(dec, 2, 5);
        EXPECT_EQ(dec.StopSave(), 0);
        feed(dec, 5, 7);  // not recorded, and the clock stands still
        ASSERT_EQ(dec.StartSave(b.c_str()), 0);
        feed(dec, 7, 10);
        EXPECT_EQ(dec.StopSave(), 0);
    }
    const std::vector<uint8_t> first = readAll(a);
    const std::vector<uint8_t> second = readAll(b);
    ASSERT_GE(first.size(), 40u);
    ASSERT_GE(second.size(), 40u);
    // each file begins with its own "IMKH" header
    EXPECT_EQ(std::string(first.begin(), first.begin() + 4), "IMKH");
    EXPECT_EQ(std::string(second.begin(), second.begin() + 4), "IMKH");
    EXPECT_EQ(packClocksMs(first), (std::vector<int64_t>{0, 40, 80, 120, 160}));
    // the second file's first frame: 40 ms times the frames recorded before
    EXPECT_EQ(packClocksMs(second), (std::vector<int64_t>{200, 240, 280}));
    std::remove(a.c_str());
    std::remove(b.c_str());
}

TEST(H264LiveDecTest, AFileThatCannotBeCreatedIsRefused) {
    H264LiveDec dec;
    EXPECT_EQ(dec.StartSave("/nonexistent/folder/x.ps"), -1);
    EXPECT_EQ(dec.StartSave(nullptr), -1);
    EXPECT_EQ(dec.StartSave(""), -1);
    // and a later good start is not blocked by the failures
    const std::string path = tempPath("h264_live_dec_after_failure.ps");
    EXPECT_EQ(dec.StartSave(path.c_str()), 0);
    EXPECT_EQ(dec.StopSave(), 0);
    std::remove(path.c_str());
}

TEST(H264LiveDecTest, DestructionWhileRecordingClosesACompleteFile) {
    const std::string path = tempPath("h264_live_dec_destroyed.ps");
    {
        H264LiveDec dec;
        ASSERT_EQ(dec.StartSave(path.c_str()), 0);
        feed(dec, 0, kPictures);
    }
    EXPECT_EQ(packClocksMs(readAll(path)).size(), static_cast<size_t>(kPictures));
    std::remove(path.c_str());
}

}  // namespace
