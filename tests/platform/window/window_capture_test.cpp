#include <ov/window/text_painter.h>
#include <ov/window/top_window.h>
#include <ov/window/window_capture.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "x_test_env.h"

namespace {

class WindowCaptureTest : public ::testing::Test {
protected:
    void SetUp() override { OV_REQUIRE_DISPLAY(); }
};

std::uint32_t bigEndian32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

TEST_F(WindowCaptureTest, GrabsTheClientAreaAndSavesItAsPng) {
    ovwin::WindowId window = ovwin::createWindow(120, 80, "capture test");
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(ovwin::paintText(window, "", ovwin::TextStyle{{0, 0, 0}, {10, 200, 30}, true}));
    ovwin::Snapshot shot;
    ASSERT_TRUE(ovwin::grabWindow(window, &shot));
    ASSERT_EQ(shot.width, 120);
    ASSERT_EQ(shot.height, 80);
    ASSERT_EQ(shot.rgb.size(), 120u * 80u * 3u);
    ovwin::Rgb p = shot.at(119, 79);
    EXPECT_EQ(p.r, 10);
    EXPECT_EQ(p.g, 200);
    EXPECT_EQ(p.b, 30);

    const std::string path = testing::TempDir() + "capture_test_" + std::to_string(getpid()) + ".png";
    ASSERT_TRUE(ovwin::saveWindowPng(window, path.c_str()));
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    ASSERT_GT(png.size(), 24u);
    const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    EXPECT_TRUE(std::equal(signature, signature + 8, png.begin()));
    EXPECT_EQ(bigEndian32(&png[16]), 120u);  // IHDR width
    EXPECT_EQ(bigEndian32(&png[20]), 80u);   // IHDR height
    ovwin::destroyWindow(window);
}

TEST_F(WindowCaptureTest, CoveredWindowStillGivesItsOwnPixels) {
    // tests of several processes share one display and put windows on top of each other
    ovwin::WindowId below = ovwin::createWindow(100, 100, "below");
    ASSERT_NE(below, 0u);
    ovwin::WindowId above = ovwin::createWindow(100, 100, "above");
    ASSERT_NE(above, 0u);
    ASSERT_TRUE(ovwin::paintText(above, "", ovwin::TextStyle{{0, 0, 0}, {255, 0, 0}, true}));
    ASSERT_TRUE(ovwin::paintText(below, "", ovwin::TextStyle{{0, 0, 0}, {0, 255, 0}, true}));
    ovwin::Snapshot shot;
    ASSERT_TRUE(ovwin::grabWindow(below, &shot));
    ovwin::Rgb p = shot.at(50, 50);
    EXPECT_TRUE(p.r == 0 && p.g == 255 && p.b == 0) << int(p.r) << "," << int(p.g) << "," << int(p.b);
    ovwin::destroyWindow(above);
    ovwin::destroyWindow(below);
}

TEST_F(WindowCaptureTest, BadWindowOrPathFails) {
    ovwin::Snapshot shot;
    EXPECT_FALSE(ovwin::grabWindow(0, &shot));
    EXPECT_FALSE(ovwin::grabWindow(0x7ffffff0u, &shot));
    ovwin::WindowId window = ovwin::createWindow(20, 20, "capture test");
    ASSERT_NE(window, 0u);
    EXPECT_FALSE(ovwin::grabWindow(window, nullptr));
    EXPECT_FALSE(ovwin::saveWindowPng(window, nullptr));
    EXPECT_FALSE(ovwin::saveWindowPng(window, "/nonexistent-folder/x.png"));
    ovwin::destroyWindow(window);
    EXPECT_FALSE(ovwin::saveWindowPng(window, (testing::TempDir() + "gone.png").c_str()));
}

}  // namespace
