#pragma once

// Reading back what a window shows, for tests and tools.

#include <cstdint>
#include <vector>

#include <ov/window/display.h>
#include <ov/window/window_api.h>

namespace ovwin {

struct Snapshot {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb;  // 3 bytes per pixel, rows top to bottom, no padding

    Rgb at(std::int32_t x, std::int32_t y) const {
        const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
        return Rgb{p[0], p[1], p[2]};
    }
};

// The client area's pixels. False for a bad id or a window not wholly on screen.
OVWIN_API bool grabWindow(WindowId window, Snapshot* out);

// grabWindow written as a PNG file.
OVWIN_API bool saveWindowPng(WindowId window, const char* path);

}  // namespace ovwin
