#pragma once

// Shows YUV 4:2:0 pictures in a window, scaled to the window's size at the
// moment of each call. The image buffer (X shared memory when the server
// offers it) and the scaler are kept between pictures, so a steady stream
// allocates nothing per picture.

#include <cstdint>
#include <memory>

#include <ov/window/display.h>
#include <ov/window/window_api.h>

namespace ovwin {

class OVWIN_API YuvPainter {
public:
    // Empty without a display or when the id names no window.
    static std::unique_ptr<YuvPainter> create(WindowId window);
    ~YuvPainter();
    YuvPainter(const YuvPainter&) = delete;
    YuvPainter& operator=(const YuvPainter&) = delete;

    // planes: Y, U, V; strides in bytes; chroma planes are (width+1)/2 by
    // (height+1)/2. False for a malformed picture, a window that is gone or a
    // visual we cannot draw on. One thread at a time per painter.
    bool show(const std::uint8_t* const planes[3], const std::int32_t strides[3], std::int32_t width,
              std::int32_t height);

    WindowId window() const;

private:
    struct Impl;
    explicit YuvPainter(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace ovwin
