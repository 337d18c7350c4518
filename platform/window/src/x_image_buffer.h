#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <vector>

#include "x_connection.h"

namespace ovwin {

// A client-side image of one window's size, in X shared memory when the
// server allows it (the server then reads the pixels in place), otherwise in
// ordinary memory sent with the request.
class XImageBuffer {
public:
    XImageBuffer() = default;
    ~XImageBuffer();  // the owner must have called release()
    XImageBuffer(const XImageBuffer&) = delete;
    XImageBuffer& operator=(const XImageBuffer&) = delete;

    // Makes the buffer fit; a buffer that already fits is kept.
    bool ensure(XSession& session, Visual* visual, int depth, int width, int height);
    void release(XSession& session);

    std::uint8_t* data() const { return image_ ? reinterpret_cast<std::uint8_t*>(image_->data) : nullptr; }
    int stride() const { return image_ ? image_->bytes_per_line : 0; }

    // Sends the whole image to the drawable; the caller syncs before touching
    // the pixels again.
    void put(XSession& session, Drawable drawable, GC gc);

private:
    bool createShm(XSession& session, Visual* visual, int depth, int width, int height);
    bool createPlain(XSession& session, Visual* visual, int depth, int width, int height);
    // Takes the made image as the buffer of this size.
    void adopt(XImage* image, bool shm, Visual* visual, int depth, int width, int height);

    XImage* image_ = nullptr;
    bool shm_ = false;
    XShmSegmentInfo shmInfo_{};
    std::vector<char> plain_;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace ovwin
