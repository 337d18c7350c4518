#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <ov/window/display.h>

namespace ovwin {

// How a window's visual lays pixels out in a ZPixmap image.
class PixelLayout {
public:
    // False for visuals other than TrueColor/DirectColor with 16, 24 or 32 bits per pixel.
    static bool fromVisual(Display* display, Visual* visual, int depth, PixelLayout* out);

    // The swscale format that writes this layout byte for byte; AV_PIX_FMT_NONE
    // when there is none.
    AVPixelFormat swsFormat() const;
    // 32 bits per pixel in host order with red in bits 16-23: the layout of
    // cairo's RGB24 images, so those can be sent unchanged.
    bool isHostXrgb32() const;

    unsigned long pack(Rgb rgb) const;
    Rgb unpack(unsigned long pixel) const;

    int bitsPerPixel() const { return bitsPerPixel_; }

private:
    int bitsPerPixel_ = 0;
    bool msbFirst_ = false;
    unsigned long redMask_ = 0;
    unsigned long greenMask_ = 0;
    unsigned long blueMask_ = 0;
};

}  // namespace ovwin
