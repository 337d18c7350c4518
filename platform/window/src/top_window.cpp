#include <ov/window/top_window.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

#include "x_connection.h"

namespace ovwin {
namespace {

constexpr std::int32_t kMaxSide = 16384;
constexpr auto kViewableWait = std::chrono::seconds(2);

Atom deleteAtom(Display* display) {
    return XInternAtom(display, "WM_DELETE_WINDOW", False);
}

}  // namespace

WindowId createWindow(std::int32_t width, std::int32_t height, const char* title, std::int32_t x, std::int32_t y) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        return 0;
    }
    XConnection* connection = XConnection::get();
    if (!connection) {
        return 0;
    }
    Window window = 0;
    {
        XSession session(*connection);
        Display* display = session.display();
        const int screen = DefaultScreen(display);
        window = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, static_cast<unsigned>(width),
                                     static_cast<unsigned>(height), 0, BlackPixel(display, screen),
                                     BlackPixel(display, screen));
        // Keeps what was drawn while another window covers it, so reading it
        // back gives the picture even on a crowded (test) display.
        XSetWindowAttributes keep{};
        keep.backing_store = WhenMapped;
        XChangeWindowAttributes(display, window, CWBackingStore, &keep);
        // a window manager must not place it partly off screen, where it could not be read back
        XSizeHints hints{};
        hints.flags = USPosition | PSize;
        hints.x = x;
        hints.y = y;
        hints.width = width;
        hints.height = height;
        XSetWMNormalHints(display, window, &hints);
        if (title) {
            XStoreName(display, window, title);
        }
        Atom wmDelete = deleteAtom(display);
        XSetWMProtocols(display, window, &wmDelete, 1);
        XMapWindow(display, window);
        if (!session.sync()) {
            XDestroyWindow(display, window);
            session.sync();
            return 0;
        }
    }
    // Without a window manager the window is viewable at once; with one, the
    // map waits for it. The connection is let go between looks.
    const auto deadline = std::chrono::steady_clock::now() + kViewableWait;
    for (;;) {
        {
            XSession session(*connection);
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(session.display(), window, &attributes)) {
                return 0;
            }
            if (attributes.map_state == IsViewable) {
                break;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            break;  // usable all the same; it shows once the manager maps it
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return static_cast<WindowId>(window);
}

bool destroyWindow(WindowId window) {
    if (!window) {
        return false;
    }
    return withSession(false, [&](XSession& session) {
        XDestroyWindow(session.display(), static_cast<Window>(window));
        return session.sync();
    });
}

bool windowSize(WindowId window, std::int32_t* width, std::int32_t* height) {
    if (!window || !width || !height) {
        return false;
    }
    return withSession(false, [&](XSession& session) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(session.display(), static_cast<Window>(window), &attributes)) {
            return false;
        }
        *width = attributes.width;
        *height = attributes.height;
        return true;
    });
}

bool closeRequested(WindowId window) {
    if (!window) {
        return false;
    }
    return withSession(false, [&](XSession& session) {
        Display* display = session.display();
        const Atom wmDelete = deleteAtom(display);
        bool requested = false;
        XEvent event;
        while (XCheckTypedWindowEvent(display, static_cast<Window>(window), ClientMessage, &event)) {
            if (static_cast<Atom>(event.xclient.data.l[0]) == wmDelete) {
                requested = true;
            }
        }
        return requested;
    });
}

}  // namespace ovwin
