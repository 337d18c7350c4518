#include <ov/window/top_window.h>
#include <ov/window/window_capture.h>
#include <ov/window/yuv_painter.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "x_test_env.h"
#include "yuv_image.h"

namespace {

using ovtest::Rgb8;
using ovtest::YuvImage;

const Rgb8 kColours[4] = {{220, 30, 30}, {30, 200, 40}, {40, 40, 210}, {230, 230, 230}};

bool showImage(ovwin::YuvPainter& painter, const YuvImage& img) {
    const std::uint8_t* planes[3] = {img.y.data(), img.u.data(), img.v.data()};
    const std::int32_t strides[3] = {img.width, img.chromaWidth(), img.chromaWidth()};
    return painter.show(planes, strides, img.width, img.height);
}

// The quadrant centres of the window show the picture's four colours.
void expectQuadrants(ovwin::WindowId window, int width, int height) {
    ovwin::Snapshot shot;
    ASSERT_TRUE(ovwin::grabWindow(window, &shot));
    ASSERT_EQ(shot.width, width);
    ASSERT_EQ(shot.height, height);
    const int xs[2] = {width / 4, width * 3 / 4};
    const int ys[2] = {height / 4, height * 3 / 4};
    for (int q = 0; q < 4; ++q) {
        ovwin::Rgb got = shot.at(xs[q % 2], ys[q / 2]);
        EXPECT_TRUE(ovtest::near(kColours[q], got.r, got.g, got.b, 12))
            << "quadrant " << q << " in " << width << "x" << height << ": " << int(got.r) << "," << int(got.g) << ","
            << int(got.b);
    }
}

class YuvPainterTest : public ::testing::Test {
protected:
    void SetUp() override { OV_REQUIRE_DISPLAY(); }
};

TEST_F(YuvPainterTest, ShowsPictureScaledToTheWindow) {
    const YuvImage img = ovtest::quadrants(320, 180, kColours);
    struct Case {
        int width;
        int height;
    };
    // same size, enlarged, shrunk to another aspect, odd sizes
    for (Case c : {Case{320, 180}, Case{640, 360}, Case{200, 150}, Case{333, 211}}) {
        ovwin::WindowId window = ovwin::createWindow(c.width, c.height, "yuv painter test");
        ASSERT_NE(window, 0u);
        auto painter = ovwin::YuvPainter::create(window);
        ASSERT_TRUE(painter);
        EXPECT_TRUE(showImage(*painter, img));
        expectQuadrants(window, c.width, c.height);
        painter.reset();
        EXPECT_TRUE(ovwin::destroyWindow(window));
    }
}

TEST_F(YuvPainterTest, OddSizedPictureIsShown) {
    const YuvImage img = ovtest::quadrants(161, 91, kColours);
    ovwin::WindowId window = ovwin::createWindow(322, 182, "odd picture");
    ASSERT_NE(window, 0u);
    auto painter = ovwin::YuvPainter::create(window);
    ASSERT_TRUE(painter);
    EXPECT_TRUE(showImage(*painter, img));
    expectQuadrants(window, 322, 182);
    painter.reset();
    ovwin::destroyWindow(window);
}

TEST_F(YuvPainterTest, BadWindowsAndPicturesFailWithoutHarm) {
    EXPECT_FALSE(ovwin::YuvPainter::create(0));
    EXPECT_FALSE(ovwin::YuvPainter::create(0x7ffffff0u));  // no such window

    ovwin::WindowId window = ovwin::createWindow(64, 48, "bad input");
    ASSERT_NE(window, 0u);
    auto painter = ovwin::YuvPainter::create(window);
    ASSERT_TRUE(painter);
    const YuvImage img = ovtest::quadrants(64, 48, kColours);
    const std::uint8_t* planes[3] = {img.y.data(), img.u.data(), img.v.data()};
    const std::uint8_t* noChroma[3] = {img.y.data(), nullptr, img.v.data()};
    const std::int32_t strides[3] = {64, 32, 32};
    const std::int32_t shortStrides[3] = {63, 32, 32};
    EXPECT_FALSE(painter->show(nullptr, strides, 64, 48));
    EXPECT_FALSE(painter->show(planes, nullptr, 64, 48));
    EXPECT_FALSE(painter->show(noChroma, strides, 64, 48));
    EXPECT_FALSE(painter->show(planes, shortStrides, 64, 48));
    EXPECT_FALSE(painter->show(planes, strides, 0, 48));
    EXPECT_FALSE(painter->show(planes, strides, 64, -1));
    EXPECT_TRUE(painter->show(planes, strides, 64, 48));

    // the window goes away under the painter: calls fail, the process lives
    EXPECT_TRUE(ovwin::destroyWindow(window));
    EXPECT_FALSE(painter->show(planes, strides, 64, 48));
    EXPECT_FALSE(painter->show(planes, strides, 64, 48));
    painter.reset();
}

TEST_F(YuvPainterTest, ManyThreadsPaintTheirOwnWindows) {
    constexpr int kThreads = 4;
    constexpr int kFrames = 25;
    const YuvImage img = ovtest::quadrants(160, 120, kColours);
    std::vector<ovwin::WindowId> windows;
    for (int i = 0; i < kThreads; ++i) {
        // side by side: a covered part of a window keeps nothing drawn into it
        windows.push_back(ovwin::createWindow(160 + 16 * i, 120, "threads", 240 * i, 0));
        ASSERT_NE(windows.back(), 0u);
    }
    std::vector<int> shown(kThreads, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            auto painter = ovwin::YuvPainter::create(windows[i]);
            for (int f = 0; painter && f < kFrames; ++f) {
                shown[i] += showImage(*painter, img) ? 1 : 0;
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(shown[i], kFrames);
        expectQuadrants(windows[i], 160 + 16 * i, 120);
        ovwin::destroyWindow(windows[i]);
    }
}

}  // namespace
