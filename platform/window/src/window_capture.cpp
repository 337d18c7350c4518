#include <ov/window/window_capture.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include "pixel_layout.h"
#include "x_connection.h"

namespace ovwin {

bool grabWindow(WindowId window, Snapshot* out) {
    if (!window || !out) {
        return false;
    }
    return withSession(false, [&](XSession& session) {
        Display* display = session.display();
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, static_cast<Window>(window), &attributes)) {
            return false;
        }
        PixelLayout pixels;
        if (!PixelLayout::fromVisual(display, attributes.visual, attributes.depth, &pixels)) {
            return false;
        }
        XImage* image = XGetImage(display, static_cast<Window>(window), 0, 0, static_cast<unsigned>(attributes.width),
                                  static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
        if (!image) {
            return false;
        }
        out->width = attributes.width;
        out->height = attributes.height;
        out->rgb.resize(static_cast<size_t>(attributes.width) * static_cast<size_t>(attributes.height) * 3);
        std::uint8_t* dst = out->rgb.data();
        for (int y = 0; y < attributes.height; ++y) {
            if (pixels.isHostXrgb32()) {
                const auto* row = reinterpret_cast<const std::uint32_t*>(image->data + y * image->bytes_per_line);
                for (int x = 0; x < attributes.width; ++x) {
                    *dst++ = static_cast<std::uint8_t>(row[x] >> 16);
                    *dst++ = static_cast<std::uint8_t>(row[x] >> 8);
                    *dst++ = static_cast<std::uint8_t>(row[x]);
                }
            } else {
                for (int x = 0; x < attributes.width; ++x) {
                    Rgb rgb = pixels.unpack(XGetPixel(image, x, y));
                    *dst++ = rgb.r;
                    *dst++ = rgb.g;
                    *dst++ = rgb.b;
                }
            }
        }
        XDestroyImage(image);
        return true;
    });
}

bool saveWindowPng(WindowId window, const char* path) {
    if (!path) {
        return false;
    }
    Snapshot shot;
    if (!grabWindow(window, &shot)) {
        return false;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, shot.width, shot.height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < shot.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < shot.width; ++x) {
            Rgb rgb = shot.at(x, y);
            row[x] = (std::uint32_t{rgb.r} << 16) | (std::uint32_t{rgb.g} << 8) | rgb.b;
        }
    }
    cairo_surface_mark_dirty(surface);
    const bool ok = cairo_surface_write_to_png(surface, path) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

}  // namespace ovwin
