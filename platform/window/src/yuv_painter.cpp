#include <ov/window/yuv_painter.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include "pixel_layout.h"
#include "x_connection.h"
#include "x_image_buffer.h"

namespace ovwin {
namespace {

// X protocol sizes are 16-bit; nothing real comes near this.
constexpr std::int32_t kMaxSide = 16384;

}  // namespace

struct YuvPainter::Impl {
    XConnection* connection = nullptr;
    WindowId window = 0;
    GC gc = nullptr;
    XImageBuffer image;
    Visual* visual = nullptr;
    int depth = 0;
    AVPixelFormat target = AV_PIX_FMT_NONE;
    SwsContext* scaler = nullptr;

    ~Impl() {
        {
            XSession session(*connection);
            image.release(session);
            if (gc) {
                XFreeGC(session.display(), gc);
            }
            // the window may be gone already; that error is of no interest
            session.sync();
        }
        sws_freeContext(scaler);
    }

    // With the session held: learns the window's size and visual and makes the image fit.
    bool prepare(XSession& session, int* width, int* height) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(session.display(), static_cast<Window>(window), &attributes)) {
            return false;
        }
        if (attributes.visual != visual || attributes.depth != depth) {
            PixelLayout layout;
            if (!PixelLayout::fromVisual(session.display(), attributes.visual, attributes.depth, &layout)) {
                return false;
            }
            target = layout.swsFormat();
            visual = attributes.visual;
            depth = attributes.depth;
        }
        if (target == AV_PIX_FMT_NONE) {
            return false;
        }
        *width = attributes.width;
        *height = attributes.height;
        return image.ensure(session, attributes.visual, attributes.depth, attributes.width, attributes.height);
    }
};

YuvPainter::YuvPainter(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

YuvPainter::~YuvPainter() = default;

std::unique_ptr<YuvPainter> YuvPainter::create(WindowId window) {
    if (!window) {
        return nullptr;
    }
    XConnection* connection = XConnection::get();
    if (!connection) {
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->connection = connection;
    impl->window = window;
    bool ok = false;
    {
        XSession session(*connection);
        XWindowAttributes attributes;
        if (XGetWindowAttributes(session.display(), static_cast<Window>(window), &attributes)) {
            impl->gc = XCreateGC(session.display(), static_cast<Window>(window), 0, nullptr);
            ok = session.sync();
        }
    }
    if (!ok) {
        return nullptr;  // impl's destructor takes the connection again, so only out here
    }
    return std::unique_ptr<YuvPainter>(new YuvPainter(std::move(impl)));
}

WindowId YuvPainter::window() const {
    return impl_->window;
}

bool YuvPainter::show(const std::uint8_t* const planes[3], const std::int32_t strides[3], std::int32_t width,
                      std::int32_t height) {
    if (!planes || !strides || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        return false;
    }
    const std::int32_t chromaWidth = (width + 1) / 2;
    if (!planes[0] || !planes[1] || !planes[2] || strides[0] < width || strides[1] < chromaWidth ||
        strides[2] < chromaWidth) {
        return false;
    }
    Impl& impl = *impl_;
    int targetWidth = 0;
    int targetHeight = 0;
    {
        XSession session(*impl.connection);
        if (!impl.prepare(session, &targetWidth, &targetHeight)) {
            return false;
        }
    }
    // converted without the connection held, so other windows keep drawing meanwhile
    impl.scaler = sws_getCachedContext(impl.scaler, width, height, AV_PIX_FMT_YUV420P, targetWidth, targetHeight,
                                       impl.target, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
    if (!impl.scaler) {
        return false;
    }
    const std::uint8_t* source[4] = {planes[0], planes[1], planes[2], nullptr};
    const int sourceStrides[4] = {strides[0], strides[1], strides[2], 0};
    std::uint8_t* target[4] = {impl.image.data(), nullptr, nullptr, nullptr};
    const int targetStrides[4] = {impl.image.stride(), 0, 0, 0};
    sws_scale(impl.scaler, source, sourceStrides, 0, height, target, targetStrides);

    XSession session(*impl.connection);
    impl.image.put(session, static_cast<Window>(impl.window), impl.gc);
    // also keeps us from overwriting shared memory the server has not read yet
    return session.sync();
}

}  // namespace ovwin
