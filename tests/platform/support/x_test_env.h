#pragma once

// Tests that draw skip themselves when no X display is reachable, so a build
// without Xvfb still passes everything else.

#include <gtest/gtest.h>

#include <cstdlib>

#include <ov/window/display.h>

#define OV_REQUIRE_DISPLAY()                                       \
    do {                                                           \
        const char* display = std::getenv("DISPLAY");              \
        if (!display || !*display || !ovwin::displayAvailable()) { \
            GTEST_SKIP() << "no X display (run under xvfb-run)";   \
        }                                                          \
    } while (0)
