#pragma once

// Collects what a live channel delivers, on the channel's thread, for the
// test's thread to wait on and read.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <ov/contracts.h>

namespace localtest {

struct Delivered {
    std::vector<uint8_t> bytes;
    int32_t kind;
    int64_t time;
    int32_t key;
    int32_t streamType;
    std::chrono::steady_clock::time_point arrival;
};

class FrameCollector {
public:
    // Every frame is kept; `hook` (if any) runs after it was added, outside the lock.
    OV::FrameCallback callback(std::function<void()> hook = nullptr) {
        return [this, hook](OV::StreamFrame* f) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                frames_.push_back({std::vector<uint8_t>(f->data, f->data + f->size), f->kind, f->time, f->key,
                                   f->streamType, std::chrono::steady_clock::now()});
            }
            cond_.notify_all();
            if (hook) {
                hook();
            }
        };
    }

    // True once at least n frames arrived, false after the deadline.
    bool waitFor(size_t n, std::chrono::seconds deadline = std::chrono::seconds(60)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cond_.wait_for(lock, deadline, [&] { return frames_.size() >= n; });
    }

    std::vector<Delivered> frames() {
        std::lock_guard<std::mutex> lock(mutex_);
        return frames_;
    }

    size_t count() {
        std::lock_guard<std::mutex> lock(mutex_);
        return frames_.size();
    }

private:
    std::mutex mutex_;
    std::condition_variable cond_;
    std::vector<Delivered> frames_;
};

// Polls until pred holds; false after the deadline.
template <class Pred>
bool eventually(Pred pred, std::chrono::milliseconds deadline = std::chrono::milliseconds(20000)) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace localtest
