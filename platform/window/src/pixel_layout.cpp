#include "pixel_layout.h"

namespace ovwin {
namespace {

int lowestBit(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

int bitCount(unsigned long mask) {
    int n = 0;
    for (; mask; mask >>= 1) {
        n += static_cast<int>(mask & 1);
    }
    return n;
}

unsigned long scaleInto(unsigned value8, unsigned long mask) {
    int bits = bitCount(mask);
    if (bits == 0) {
        return 0;
    }
    unsigned long v = bits >= 8 ? static_cast<unsigned long>(value8) << (bits - 8) : value8 >> (8 - bits);
    return (v << lowestBit(mask)) & mask;
}

std::uint8_t scaleOut(unsigned long pixel, unsigned long mask) {
    int bits = bitCount(mask);
    if (bits == 0) {
        return 0;
    }
    unsigned long v = (pixel & mask) >> lowestBit(mask);
    if (bits >= 8) {
        return static_cast<std::uint8_t>(v >> (bits - 8));
    }
    // replicate the high bits so full intensity stays 255
    unsigned long out = 0;
    for (int filled = 0; filled < 8; filled += bits) {
        out = (out << bits) | v;
    }
    return static_cast<std::uint8_t>(out >> (((8 + bits - 1) / bits) * bits - 8));
}

bool hostIsLittleEndian() {
    const unsigned one = 1;
    return *reinterpret_cast<const unsigned char*>(&one) == 1;
}

}  // namespace

bool PixelLayout::fromVisual(Display* display, Visual* visual, int depth, PixelLayout* out) {
    if (!visual || (visual->c_class != TrueColor && visual->c_class != DirectColor)) {
        return false;
    }
    // an image without data is the cheapest way to learn Xlib's pixel size and byte order
    XImage* probe = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr, 1, 1, 32, 0);
    if (!probe) {
        return false;
    }
    PixelLayout layout;
    layout.bitsPerPixel_ = probe->bits_per_pixel;
    layout.msbFirst_ = probe->byte_order == MSBFirst;
    layout.redMask_ = visual->red_mask;
    layout.greenMask_ = visual->green_mask;
    layout.blueMask_ = visual->blue_mask;
    XDestroyImage(probe);
    if (layout.bitsPerPixel_ != 16 && layout.bitsPerPixel_ != 24 && layout.bitsPerPixel_ != 32) {
        return false;
    }
    *out = layout;
    return true;
}

AVPixelFormat PixelLayout::swsFormat() const {
    const bool redHigh = redMask_ > blueMask_;
    switch (bitsPerPixel_) {
        case 32:
            if ((redMask_ | greenMask_ | blueMask_) != 0xffffff) {
                return AV_PIX_FMT_NONE;
            }
            if (!msbFirst_) {
                return redHigh ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_RGB0;
            }
            return redHigh ? AV_PIX_FMT_0RGB : AV_PIX_FMT_0BGR;
        case 24:
            if ((redMask_ | greenMask_ | blueMask_) != 0xffffff) {
                return AV_PIX_FMT_NONE;
            }
            return (redHigh != msbFirst_) ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_RGB24;
        case 16:
            if (greenMask_ != 0x07e0) {
                return AV_PIX_FMT_NONE;
            }
            if (redHigh) {
                return msbFirst_ ? AV_PIX_FMT_RGB565BE : AV_PIX_FMT_RGB565LE;
            }
            return msbFirst_ ? AV_PIX_FMT_BGR565BE : AV_PIX_FMT_BGR565LE;
        default:
            return AV_PIX_FMT_NONE;
    }
}

bool PixelLayout::isHostXrgb32() const {
    return bitsPerPixel_ == 32 && msbFirst_ != hostIsLittleEndian() && redMask_ == 0xff0000 && greenMask_ == 0xff00 &&
           blueMask_ == 0xff;
}

unsigned long PixelLayout::pack(Rgb rgb) const {
    return scaleInto(rgb.r, redMask_) | scaleInto(rgb.g, greenMask_) | scaleInto(rgb.b, blueMask_);
}

Rgb PixelLayout::unpack(unsigned long pixel) const {
    return Rgb{scaleOut(pixel, redMask_), scaleOut(pixel, greenMask_), scaleOut(pixel, blueMask_)};
}

}  // namespace ovwin
