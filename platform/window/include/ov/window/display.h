#pragma once

// The X display every window call of the process goes through. The connection
// is opened on first use from $DISPLAY and kept for the life of the process;
// while no display can be opened every call fails (and the next call tries
// again).

#include <cstdint>

#include <ov/window/window_api.h>

namespace ovwin {

// An X11 window id, pointer-sized like OV::WindowHandle; 0 is no window.
typedef std::uintptr_t WindowId;

struct Rgb {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
};

// True when the process's display connection is open or can be opened now.
OVWIN_API bool displayAvailable();

}  // namespace ovwin
