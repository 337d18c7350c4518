#include <ov/avc/file_dec.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// tests/data/clip.mp4: 4 s of 640x360 at 25 fps, H.264 High with B-frames
const std::string kClip = std::string(OV_TEST_DATA_DIR) + "/clip.mp4";
constexpr int kClipFrames = 100;
constexpr int kMaxSteps = 10000;

struct Seen {
    std::vector<std::int64_t> pts;
    int width = 0;
    int height = 0;
    bool sizeChanged = false;
};

AVC::DecFrameCallback recorder(Seen* seen) {
    return [seen](AVC::DecFrame* f) {
        if (!seen->pts.empty() && (f->width != seen->width || f->height != seen->height)) {
            seen->sizeChanged = true;
        }
        seen->pts.push_back(f->pts);
        seen->width = f->width;
        seen->height = f->height;
        ASSERT_NE(f->data[0], nullptr);
        ASSERT_GE(f->linesize[0], f->width);
        ASSERT_GE(f->linesize[1], (f->width + 1) / 2);
    };
}

TEST(FileDecTest, ClipGivesIncreasingTimeStampsAndItsSize) {
    auto dec = AVC::CreateFileDec(kClip.c_str());
    ASSERT_TRUE(dec);
    Seen seen;
    EXPECT_EQ(dec->Start(recorder(&seen)), 0);
    int steps = 0;
    while (dec->Step() >= 0 && steps < kMaxSteps) {
        ++steps;
    }
    ASSERT_LT(steps, kMaxSteps);
    ASSERT_EQ(seen.pts.size(), static_cast<size_t>(kClipFrames));
    EXPECT_EQ(seen.width, 640);
    EXPECT_EQ(seen.height, 360);
    EXPECT_FALSE(seen.sizeChanged);
    EXPECT_EQ(seen.pts.front(), 0);
    for (size_t i = 1; i < seen.pts.size(); ++i) {
        EXPECT_EQ(seen.pts[i] - seen.pts[i - 1], 40) << "picture " << i;
    }
    // the end stays the end
    EXPECT_LT(dec->Step(), 0);
    EXPECT_LT(dec->Step(), 0);
    EXPECT_EQ(seen.pts.size(), static_cast<size_t>(kClipFrames));
}

TEST(FileDecTest, ThrowingReceiverLosesNoPicture) {
    auto dec = AVC::CreateFileDec(kClip.c_str());
    ASSERT_TRUE(dec);
    std::vector<std::int64_t> pts;
    int calls = 0;
    dec->Start([&](AVC::DecFrame* f) {
        pts.push_back(f->pts);
        if (++calls % 9 == 0) {
            throw std::runtime_error("receiver interrupted");
        }
    });
    int throws = 0;
    for (int steps = 0; steps < kMaxSteps; ++steps) {
        try {
            if (dec->Step() < 0) {
                break;
            }
        } catch (const std::runtime_error&) {
            ++throws;
        }
    }
    EXPECT_EQ(throws, kClipFrames / 9);
    ASSERT_EQ(pts.size(), static_cast<size_t>(kClipFrames));
    for (size_t i = 1; i < pts.size(); ++i) {
        EXPECT_EQ(pts[i] - pts[i - 1], 40);
    }
}

TEST(FileDecTest, EmptyReceiverDropsPictures) {
    auto dec = AVC::CreateFileDec(kClip.c_str());
    ASSERT_TRUE(dec);
    int steps = 0;
    while (dec->Step() >= 0 && steps < kMaxSteps) {  // never started: pictures dropped
        ++steps;
    }
    EXPECT_GT(steps, kClipFrames / 2);
}

TEST(FileDecTest, FilesThatCannotBePlayedGiveNoDecoder) {
    const std::string dir = testing::TempDir();
    const std::string text = dir + "file_dec_test_" + std::to_string(getpid()) + ".txt";
    std::ofstream(text) << "not a media file\n";
    const std::string empty = dir + "file_dec_test_" + std::to_string(getpid()) + ".mp4";
    std::ofstream(empty).flush();
    const std::string truncated = dir + "file_dec_test_cut_" + std::to_string(getpid()) + ".mp4";
    {
        std::ifstream in(kClip, std::ios::binary);
        std::vector<char> head(600);
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        std::ofstream(truncated, std::ios::binary).write(head.data(), in.gcount());
    }
    for (const std::string& path : {std::string(), std::string("/nonexistent/clip.mp4"), text, empty, truncated, dir,
                                    std::string("http://127.0.0.1:9/clip.mp4")}) {
        EXPECT_FALSE(AVC::CreateFileDec(path.c_str())) << path;
    }
    EXPECT_FALSE(AVC::CreateFileDec(nullptr));
    std::remove(text.c_str());
    std::remove(empty.c_str());
    std::remove(truncated.c_str());
}

}  // namespace
