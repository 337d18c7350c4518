#include <ov/window/text_painter.h>
#include <ov/window/top_window.h>
#include <ov/window/window_capture.h>

#include <gtest/gtest.h>

#include <string>

#include <ov/text/gbk.h>

#include "x_test_env.h"

namespace {

// one of the system's notices, as it would arrive (GBK)
const std::string kRetryNotice = ovtext::utf8ToGbk("视频暂时不可访问，正在重试......");

struct Ink {
    int left = 1 << 30;
    int top = 1 << 30;
    int right = -1;
    int bottom = -1;
    int count = 0;
};

// Pixels that differ from the background colour.
Ink inkOf(const ovwin::Snapshot& shot, ovwin::Rgb background) {
    Ink ink;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            ovwin::Rgb p = shot.at(x, y);
            if (p.r != background.r || p.g != background.g || p.b != background.b) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
                ++ink.count;
            }
        }
    }
    return ink;
}

class TextPainterTest : public ::testing::Test {
protected:
    void SetUp() override { OV_REQUIRE_DISPLAY(); }
};

TEST_F(TextPainterTest, RedOnBlackLineIsCentred) {
    struct Case {
        std::string text;
        int width;
        int height;
    };
    const Case cases[] = {
        {kRetryNotice, 640, 360},
        {kRetryNotice, 352, 288},
        {ovtext::utf8ToGbk("解码输出异常"), 500, 120},
        {"HELLO", 300, 200},
    };
    const ovwin::TextStyle red{{255, 0, 0}, {0, 0, 0}, true};
    for (const Case& c : cases) {
        ovwin::WindowId window = ovwin::createWindow(c.width, c.height, "text test");
        ASSERT_NE(window, 0u);
        ASSERT_TRUE(ovwin::paintText(window, c.text, red));
        ovwin::Snapshot shot;
        ASSERT_TRUE(ovwin::grabWindow(window, &shot));
        Ink ink = inkOf(shot, {0, 0, 0});
        ASSERT_GT(ink.count, 50) << ovtext::gbkToUtf8(c.text);
        const double centreX = (ink.left + ink.right) / 2.0;
        const double centreY = (ink.top + ink.bottom) / 2.0;
        EXPECT_NEAR(centreX, (c.width - 1) / 2.0, 2.0) << ovtext::gbkToUtf8(c.text);
        EXPECT_NEAR(centreY, (c.height - 1) / 2.0, 2.0) << ovtext::gbkToUtf8(c.text);
        // the whole line fits, with room at the sides
        EXPECT_GT(ink.left, 0);
        EXPECT_LT(ink.right, c.width - 1);
        // red on black: anti-aliased edges are darker reds, never another hue
        int brightest = 0;
        int otherHue = 0;
        for (int y = ink.top; y <= ink.bottom; ++y) {
            for (int x = ink.left; x <= ink.right; ++x) {
                ovwin::Rgb p = shot.at(x, y);
                otherHue += (p.g != 0 || p.b != 0) ? 1 : 0;
                brightest = std::max(brightest, int(p.r));
            }
        }
        EXPECT_EQ(otherHue, 0) << ovtext::gbkToUtf8(c.text);
        EXPECT_EQ(brightest, 255) << ovtext::gbkToUtf8(c.text);
        ovwin::destroyWindow(window);
    }
}

TEST_F(TextPainterTest, WithoutFillOnlyTheLineBoxChanges) {
    ovwin::WindowId window = ovwin::createWindow(400, 300, "text test");
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(ovwin::paintText(window, "", ovwin::TextStyle{{0, 0, 0}, {0, 0, 255}, true}));
    // the window's default colours: black text on its white line box
    ASSERT_TRUE(ovwin::paintText(window, ovtext::utf8ToGbk("解码器[1]设置显示句柄！"), ovwin::TextStyle{}));
    ovwin::Snapshot shot;
    ASSERT_TRUE(ovwin::grabWindow(window, &shot));
    for (auto [x, y] : {std::pair{0, 0}, {399, 0}, {0, 299}, {399, 299}, {200, 20}, {200, 280}}) {
        ovwin::Rgb p = shot.at(x, y);
        EXPECT_TRUE(p.r == 0 && p.g == 0 && p.b == 255) << x << "," << y;
    }
    Ink box = inkOf(shot, {0, 0, 255});
    EXPECT_NEAR((box.top + box.bottom) / 2.0, 149.5, 3.0);
    EXPECT_LT(box.bottom - box.top, 60);
    int white = 0;
    int black = 0;
    for (int y = box.top; y <= box.bottom; ++y) {
        for (int x = box.left; x <= box.right; ++x) {
            ovwin::Rgb p = shot.at(x, y);
            white += (p.r == 255 && p.g == 255 && p.b == 255) ? 1 : 0;
            black += (p.r == 0 && p.g == 0 && p.b == 0) ? 1 : 0;
        }
    }
    EXPECT_GT(white, black);
    EXPECT_GT(black, 20);
    ovwin::destroyWindow(window);
}

TEST_F(TextPainterTest, LongLineShrinksToFitTheWidth) {
    ovwin::WindowId window = ovwin::createWindow(160, 120, "text test");
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(ovwin::paintText(window, kRetryNotice, ovwin::TextStyle{{255, 0, 0}, {0, 0, 0}, true}));
    ovwin::Snapshot shot;
    ASSERT_TRUE(ovwin::grabWindow(window, &shot));
    Ink ink = inkOf(shot, {0, 0, 0});
    ASSERT_GT(ink.count, 20);
    EXPECT_GT(ink.left, 0);
    EXPECT_LT(ink.right, 159);
    ovwin::destroyWindow(window);
}

TEST_F(TextPainterTest, BadWindowFailsWithoutHarm) {
    const ovwin::TextStyle style{{255, 0, 0}, {0, 0, 0}, true};
    EXPECT_FALSE(ovwin::paintText(0, kRetryNotice, style));
    EXPECT_FALSE(ovwin::paintText(0x7ffffff0u, kRetryNotice, style));
    ovwin::WindowId window = ovwin::createWindow(100, 100, "text test");
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(ovwin::destroyWindow(window));
    EXPECT_FALSE(ovwin::paintText(window, kRetryNotice, style));
    // bytes that are not GBK still paint something rather than nothing
    ovwin::WindowId other = ovwin::createWindow(200, 100, "text test");
    ASSERT_NE(other, 0u);
    EXPECT_TRUE(ovwin::paintText(other, std::string("\xff\xfe\x80 ok", 6), style));
    ovwin::destroyWindow(other);
    // a window narrower than the side margins, and a line that has no width
    ovwin::WindowId narrow = ovwin::createWindow(4, 40, "text test");
    ASSERT_NE(narrow, 0u);
    EXPECT_TRUE(ovwin::paintText(narrow, "\x01", style));
    EXPECT_TRUE(ovwin::paintText(narrow, kRetryNotice, style));
    ovwin::destroyWindow(narrow);
}

}  // namespace
