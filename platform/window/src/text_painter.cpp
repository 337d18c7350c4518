#include <ov/window/text_painter.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <mutex>
#include <string>

#include <ov/text/gbk.h>

#include "pixel_layout.h"
#include "x_connection.h"

namespace ovwin {
namespace {

// Debian's fonts-wqy-zenhei covers the Chinese notices; fontconfig falls back
// to any sans font for what it lacks.
constexpr const char* kFontFamily = "WenQuanYi Zen Hei, sans";
constexpr int kMaxFontPx = 32;
constexpr int kMinFontPx = 8;
constexpr int kSideMarginPx = 4;

// One font map for the process, used under one mutex: notices are rare, and
// this keeps pango's caches out of every thread that happens to paint one.
struct TextEngine {
    std::mutex mutex;
    PangoFontMap* fontMap = nullptr;
    PangoContext* context = nullptr;
};

TextEngine& textEngine() {
    // never destroyed: a painter may run while the process ends
    static TextEngine* engine = [] {
        auto* e = new TextEngine;
        e->fontMap = pango_cairo_font_map_new();
        e->context = pango_font_map_create_context(e->fontMap);
        // plain grey anti-aliasing: sub-pixel colour fringes would tint the
        // notices' exact colours
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        pango_cairo_context_set_font_options(e->context, options);
        cairo_font_options_destroy(options);
        return e;
    }();
    return *engine;
}

struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The line's pixels, cut to the client area.
struct RenderedLine {
    cairo_surface_t* surface = nullptr;
    Box box;  // where the pixels go in the window

    RenderedLine() = default;
    RenderedLine(const RenderedLine&) = delete;
    RenderedLine& operator=(const RenderedLine&) = delete;
    ~RenderedLine() {
        if (surface) {
            cairo_surface_destroy(surface);
        }
    }
};

void setFontPx(PangoLayout* layout, int px) {
    PangoFontDescription* font = pango_font_description_from_string(kFontFamily);
    pango_font_description_set_absolute_size(font, px * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
}

void setSource(cairo_t* cr, Rgb rgb) {
    cairo_set_source_rgb(cr, rgb.r / 255.0, rgb.g / 255.0, rgb.b / 255.0);
}

bool renderLine(const std::string& utf8, const TextStyle& style, int clientWidth, int clientHeight, RenderedLine* out) {
    TextEngine& engine = textEngine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    PangoLayout* layout = pango_layout_new(engine.context);
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));

    int px = std::clamp(clientHeight / 12, 12, kMaxFontPx);
    setFontPx(layout, px);
    PangoRectangle ink;
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    const int room = clientWidth - 2 * kSideMarginPx;
    // a line without width (control characters only) has nothing to shrink,
    // however narrow the window
    if (logical.width > 0 && logical.width > room && px > kMinFontPx) {
        px = std::max(kMinFontPx, px * std::max(room, 1) / logical.width);
        setFontPx(layout, px);
        pango_layout_get_pixel_extents(layout, &ink, &logical);
    }
    // Centre what is visible: the ink, not the line box, whose descent space
    // would push Latin capitals above the middle.
    const PangoRectangle& centred = (ink.width > 0 && ink.height > 0) ? ink : logical;
    const int originX = (clientWidth - centred.width) / 2 - centred.x;
    const int originY = (clientHeight - centred.height) / 2 - centred.y;

    // the background covers the line box and any ink that reaches beyond it
    int left = std::min(logical.x, ink.x) + originX;
    int top = std::min(logical.y, ink.y) + originY;
    int right = std::max(logical.x + logical.width, ink.x + ink.width) + originX;
    int bottom = std::max(logical.y + logical.height, ink.y + ink.height) + originY;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, clientWidth);
    bottom = std::min(bottom, clientHeight);
    if (right <= left || bottom <= top) {
        g_object_unref(layout);
        return false;
    }
    out->box = Box{left, top, right - left, bottom - top};
    out->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, out->box.width, out->box.height);
    cairo_t* cr = cairo_create(out->surface);
    setSource(cr, style.background);
    cairo_paint(cr);
    pango_cairo_update_context(cr, engine.context);
    pango_layout_context_changed(layout);
    setSource(cr, style.text);
    cairo_move_to(cr, originX - left, originY - top);
    pango_cairo_show_layout(cr, layout);
    cairo_destroy(cr);
    g_object_unref(layout);
    cairo_surface_flush(out->surface);
    return cairo_surface_status(out->surface) == CAIRO_STATUS_SUCCESS;
}

// Sends the line's pixels, converted when the window's visual is not the
// layout cairo paints in.
void putLine(XSession& session, Window window, GC gc, Visual* visual, int depth, const PixelLayout& pixels,
             const RenderedLine& line) {
    Display* display = session.display();
    const int width = line.box.width;
    const int height = line.box.height;
    unsigned char* data = cairo_image_surface_get_data(line.surface);
    const int stride = cairo_image_surface_get_stride(line.surface);
    if (pixels.isHostXrgb32()) {
        XImage* image =
            XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, reinterpret_cast<char*>(data),
                         static_cast<unsigned>(width), static_cast<unsigned>(height), 32, stride);
        if (image) {
            XPutImage(display, window, gc, image, 0, 0, line.box.x, line.box.y, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
            image->data = nullptr;  // cairo's
            XDestroyImage(image);
        }
        return;
    }
    XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (!image) {
        return;
    }
    std::string buffer(static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height), '\0');
    image->data = buffer.data();
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = row[x];
            Rgb rgb{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                    static_cast<std::uint8_t>(v)};
            XPutPixel(image, x, y, pixels.pack(rgb));
        }
    }
    XPutImage(display, window, gc, image, 0, 0, line.box.x, line.box.y, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    image->data = nullptr;
    XDestroyImage(image);
}

}  // namespace

bool paintText(WindowId window, std::string_view gbk, const TextStyle& style) {
    if (!window) {
        return false;
    }
    XConnection* connection = XConnection::get();
    if (!connection) {
        return false;
    }
    XWindowAttributes attributes;
    PixelLayout pixels;
    {
        XSession session(*connection);
        if (!XGetWindowAttributes(session.display(), static_cast<Window>(window), &attributes) ||
            !PixelLayout::fromVisual(session.display(), attributes.visual, attributes.depth, &pixels)) {
            return false;
        }
    }
    RenderedLine line;
    const bool hasLine =
        !gbk.empty() && renderLine(ovtext::gbkToUtf8(gbk), style, attributes.width, attributes.height, &line);

    XSession session(*connection);
    Display* display = session.display();
    GC gc = XCreateGC(display, static_cast<Window>(window), 0, nullptr);
    if (style.fillClient) {
        XSetForeground(display, gc, pixels.pack(style.background));
        XFillRectangle(display, static_cast<Window>(window), gc, 0, 0, static_cast<unsigned>(attributes.width),
                       static_cast<unsigned>(attributes.height));
    }
    if (hasLine) {
        putLine(session, static_cast<Window>(window), gc, attributes.visual, attributes.depth, pixels, line);
    }
    XFreeGC(display, gc);
    return session.sync();
}

}  // namespace ovwin
