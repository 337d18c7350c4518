#include <ov/window/top_window.h>

#include <gtest/gtest.h>

#include "x_test_env.h"

namespace {

class TopWindowTest : public ::testing::Test {
protected:
    void SetUp() override { OV_REQUIRE_DISPLAY(); }
};

TEST_F(TopWindowTest, CreatedWindowHasItsSizeUntilDestroyed) {
    ovwin::WindowId window = ovwin::createWindow(321, 123, "top window test");
    ASSERT_NE(window, 0u);
    std::int32_t width = 0;
    std::int32_t height = 0;
    ASSERT_TRUE(ovwin::windowSize(window, &width, &height));
    EXPECT_EQ(width, 321);
    EXPECT_EQ(height, 123);
    EXPECT_FALSE(ovwin::closeRequested(window));
    EXPECT_TRUE(ovwin::destroyWindow(window));
    // gone: every call fails and the process carries on
    EXPECT_FALSE(ovwin::destroyWindow(window));
    EXPECT_FALSE(ovwin::windowSize(window, &width, &height));
    EXPECT_FALSE(ovwin::closeRequested(window));
}

TEST_F(TopWindowTest, BadArgumentsFail) {
    for (auto [w, h] : {std::pair{0, 10}, {10, 0}, {-5, 10}, {16385, 10}, {10, 16385}}) {
        EXPECT_EQ(ovwin::createWindow(w, h, "bad"), 0u) << w << "x" << h;
    }
    std::int32_t width = 0;
    std::int32_t height = 0;
    EXPECT_FALSE(ovwin::windowSize(0, &width, &height));
    EXPECT_FALSE(ovwin::destroyWindow(0));
    ovwin::WindowId window = ovwin::createWindow(10, 10, nullptr);
    ASSERT_NE(window, 0u);
    EXPECT_FALSE(ovwin::windowSize(window, nullptr, &height));
    ovwin::destroyWindow(window);
}

}  // namespace
