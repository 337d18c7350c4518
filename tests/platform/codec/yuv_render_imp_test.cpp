#include <ov/avc/h264_enc.h>
#include <ov/avc/stream_dec.h>
#include <ov/avc/yuv_render.h>
#include <ov/window/top_window.h>
#include <ov/window/window_capture.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "encoded_clip.h"
#include "x_test_env.h"
#include "yuv_image.h"

namespace {

using ovtest::Rgb8;

const Rgb8 kColours[4] = {{200, 40, 40}, {40, 180, 60}, {50, 60, 200}, {220, 220, 220}};

void* asHandle(ovwin::WindowId window) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window));
}

class YuvRenderTest : public ::testing::Test {
protected:
    void SetUp() override { OV_REQUIRE_DISPLAY(); }
};

TEST_F(YuvRenderTest, KnownPictureDecodedAndShownAppearsInTheWindow) {
    auto picture = ovtest::encodeAndDecode(ovtest::quadrants(320, 240, kColours));
    ASSERT_TRUE(picture);

    ovwin::WindowId window = ovwin::createWindow(480, 270, "render test");
    ASSERT_NE(window, 0u);
    auto render = AVC::CreateYuvRender(asHandle(window));
    ASSERT_TRUE(render);
    EXPECT_EQ(render->Render(picture), 0);
    ovwin::Snapshot shot;
    ASSERT_TRUE(ovwin::grabWindow(window, &shot));
    const int xs[2] = {120, 360};
    const int ys[2] = {67, 202};
    for (int q = 0; q < 4; ++q) {
        ovwin::Rgb got = shot.at(xs[q % 2], ys[q / 2]);
        EXPECT_TRUE(ovtest::near(kColours[q], got.r, got.g, got.b, 16))
            << "quadrant " << q << ": " << int(got.r) << "," << int(got.g) << "," << int(got.b);
    }
    render.reset();
    ovwin::destroyWindow(window);
}

TEST_F(YuvRenderTest, FailuresGiveEmptyResults) {
    EXPECT_FALSE(AVC::CreateYuvRender(nullptr));
    EXPECT_FALSE(AVC::CreateYuvRender(asHandle(0x7ffffff0u)));
    ovwin::WindowId window = ovwin::createWindow(64, 64, "render test");
    ASSERT_NE(window, 0u);
    auto render = AVC::CreateYuvRender(asHandle(window));
    ASSERT_TRUE(render);
    EXPECT_EQ(render->Render(boost::shared_ptr<AVC::Picture>()), -1);

    auto picture = ovtest::encodeAndDecode(ovtest::movingPattern(64, 64, 0));
    ASSERT_TRUE(picture);
    EXPECT_EQ(render->Render(picture), 0);
    ASSERT_TRUE(ovwin::destroyWindow(window));
    EXPECT_EQ(render->Render(picture), -1);  // the window is gone; the process is not
}

}  // namespace
