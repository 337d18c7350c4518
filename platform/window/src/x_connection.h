#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace ovwin {

// The one display connection of the process. Every request of this library
// goes through it under its mutex, which is also what lets an X error be
// charged to the call that caused it: a bad window id fails that call instead
// of reaching Xlib's default handler, which would end the process.
class XConnection {
public:
    // Opened on first use from $DISPLAY; null while no display can be opened.
    static XConnection* get();

    Display* display() const { return display_; }
    std::mutex& mutex() { return mutex_; }

    bool shmUsable() const { return shm_.load(std::memory_order_relaxed); }
    // The server refused a shared-memory attach (e.g. it runs on another host).
    void disableShm() { shm_.store(false, std::memory_order_relaxed); }

private:
    XConnection(Display* display, bool shm) : display_(display), shm_(shm) {}

    Display* display_;
    std::mutex mutex_;
    std::atomic<bool> shm_;
};

// Holds the connection for one sequence of requests and tells whether any of
// them failed.
class XSession {
public:
    explicit XSession(XConnection& connection);
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    Display* display() const { return connection_.display(); }
    XConnection& connection() { return connection_; }

    // Waits until the server has handled every request sent so far; false
    // when any of this session's requests failed.
    bool sync();
    // Errors already received, without a round trip.
    bool failed() const;
    // For asking about a part of the session only: errorMark() before it,
    // syncSince(mark) after it.
    std::uint64_t errorMark() const;
    bool syncSince(std::uint64_t mark);

private:
    XConnection& connection_;
    std::unique_lock<std::mutex> lock_;
    std::uint64_t errorsAtStart_;
};

// Runs `work` with a session on the process's connection; `noDisplay` when no
// display can be opened.
template <class Result, class Work>
Result withSession(Result noDisplay, Work work) {
    XConnection* connection = XConnection::get();
    if (!connection) {
        return noDisplay;
    }
    XSession session(*connection);
    return work(session);
}

}  // namespace ovwin
