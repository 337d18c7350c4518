#include "x_connection.h"

#include <X11/extensions/XShm.h>

namespace ovwin {
namespace {

std::atomic<XConnection*> g_connection{nullptr};
std::mutex g_openMutex;

// Written only by the error handler, which Xlib calls on the thread that reads
// the error from the connection: always one holding the connection's mutex.
std::atomic<std::uint64_t> g_errorCount{0};
Display* g_display = nullptr;
XErrorHandler g_previousHandler = nullptr;

int onXError(Display* display, XErrorEvent* event) {
    if (display == g_display) {
        g_errorCount.fetch_add(1, std::memory_order_relaxed);
        return 0;
    }
    // another connection of the host: leave it to whoever handled it before us
    return g_previousHandler ? g_previousHandler(display, event) : 0;
}

// Xlib wants XInitThreads before any other of its calls in the process; at
// load time is the earliest we can make it. get() calls it again in case the
// library was loaded in some other way.
__attribute__((constructor)) void initXlibThreads() {
    XInitThreads();
}

}  // namespace

XConnection* XConnection::get() {
    XConnection* connection = g_connection.load(std::memory_order_acquire);
    if (connection) {
        return connection;
    }
    std::lock_guard<std::mutex> lock(g_openMutex);
    connection = g_connection.load(std::memory_order_relaxed);
    if (connection) {
        return connection;
    }
    XInitThreads();
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return nullptr;
    }
    g_display = display;
    g_previousHandler = XSetErrorHandler(onXError);
    bool shm = XShmQueryExtension(display) == True;
    // Kept open for the life of the process: painters may run on any thread
    // up to the very end, and the server releases everything when we exit.
    connection = new XConnection(display, shm);
    g_connection.store(connection, std::memory_order_release);
    return connection;
}

XSession::XSession(XConnection& connection)
    : connection_(connection),
      lock_(connection.mutex()),
      errorsAtStart_(g_errorCount.load(std::memory_order_relaxed)) {}

XSession::~XSession() = default;

bool XSession::sync() {
    XSync(connection_.display(), False);
    return !failed();
}

std::uint64_t XSession::errorMark() const {
    return g_errorCount.load(std::memory_order_relaxed);
}

bool XSession::syncSince(std::uint64_t mark) {
    XSync(connection_.display(), False);
    return g_errorCount.load(std::memory_order_relaxed) == mark;
}

bool XSession::failed() const {
    return g_errorCount.load(std::memory_order_relaxed) != errorsAtStart_;
}

}  // namespace ovwin
