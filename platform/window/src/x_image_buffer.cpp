#include "x_image_buffer.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cassert>

namespace ovwin {

XImageBuffer::~XImageBuffer() {
    assert(!image_);
}

bool XImageBuffer::ensure(XSession& session, Visual* visual, int depth, int width, int height) {
    if (image_ && visual == visual_ && depth == depth_ && width == width_ && height == height_) {
        return true;
    }
    release(session);
    if (session.connection().shmUsable() && createShm(session, visual, depth, width, height)) {
        return true;
    }
    return createPlain(session, visual, depth, width, height);
}

bool XImageBuffer::createShm(XSession& session, Visual* visual, int depth, int width, int height) {
    Display* display = session.display();
    XImage* image = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &shmInfo_,
                                    static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!image) {
        return false;
    }
    size_t size = static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height);
    shmInfo_.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (shmInfo_.shmid < 0) {
        XDestroyImage(image);
        return false;
    }
    void* address = shmat(shmInfo_.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(shmInfo_.shmid, IPC_RMID, nullptr);
        XDestroyImage(image);
        return false;
    }
    shmInfo_.shmaddr = image->data = static_cast<char*>(address);
    shmInfo_.readOnly = True;
    std::uint64_t mark = session.errorMark();
    XShmAttach(display, &shmInfo_);
    bool attached = session.syncSince(mark);
    // marked for removal now, so the segment goes away with the last detach
    // even when the process dies
    shmctl(shmInfo_.shmid, IPC_RMID, nullptr);
    if (!attached) {
        // a server on another host cannot see our memory; use plain images from now on
        session.connection().disableShm();
        shmdt(address);
        XDestroyImage(image);  // frees only the structure for shared-memory images
        return false;
    }
    adopt(image, true, visual, depth, width, height);
    return true;
}

bool XImageBuffer::createPlain(XSession& session, Visual* visual, int depth, int width, int height) {
    XImage* image = XCreateImage(session.display(), visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (!image) {
        return false;
    }
    plain_.assign(static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height), 0);
    image->data = plain_.data();
    adopt(image, false, visual, depth, width, height);
    return true;
}

void XImageBuffer::adopt(XImage* image, bool shm, Visual* visual, int depth, int width, int height) {
    image_ = image;
    shm_ = shm;
    visual_ = visual;
    depth_ = depth;
    width_ = width;
    height_ = height;
}

void XImageBuffer::release(XSession& session) {
    if (!image_) {
        return;
    }
    if (shm_) {
        XShmDetach(session.display(), &shmInfo_);
        // the server must have let go of the segment before we unmap it
        session.sync();
        XDestroyImage(image_);
        shmdt(shmInfo_.shmaddr);
        shmInfo_ = XShmSegmentInfo{};
    } else {
        image_->data = nullptr;  // ours, not Xlib's to free
        XDestroyImage(image_);
        plain_.clear();
        plain_.shrink_to_fit();
    }
    image_ = nullptr;
    width_ = height_ = 0;
}

void XImageBuffer::put(XSession& session, Drawable drawable, GC gc) {
    if (!image_) {
        return;
    }
    if (shm_) {
        XShmPutImage(session.display(), drawable, gc, image_, 0, 0, 0, 0, static_cast<unsigned>(width_),
                     static_cast<unsigned>(height_), False);
    } else {
        XPutImage(session.display(), drawable, gc, image_, 0, 0, 0, 0, static_cast<unsigned>(width_),
                  static_cast<unsigned>(height_));
    }
}

}  // namespace ovwin
