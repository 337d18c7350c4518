#pragma once

// Plain top-level windows for tools and tests: a black client area that the
// painters below draw into.

#include <cstdint>

#include <ov/window/display.h>
#include <ov/window/window_api.h>

namespace ovwin {

// Creates and maps a window of the given client size (1 to 16384 each way) at
// x, y on the screen (a window manager may place it elsewhere) and waits up to
// 2 s for it to become viewable. 0 without a display or on failure.
OVWIN_API WindowId createWindow(std::int32_t width, std::int32_t height, const char* title, std::int32_t x = 0,
                                std::int32_t y = 0);

// False when the id names no window (any longer).
OVWIN_API bool destroyWindow(WindowId window);

// The client size as the X server sees it now. False for a bad id.
OVWIN_API bool windowSize(WindowId window, std::int32_t* width, std::int32_t* height);

// True once the window manager asked to close a window made by createWindow
// (the user closed it). Consumes the request.
OVWIN_API bool closeRequested(WindowId window);

}  // namespace ovwin
