#include "stop_signal.h"

namespace local {

void StopSignal::raise() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        raised_ = true;
    }
    cond_.notify_all();
}

bool StopSignal::raised() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return raised_;
}

bool StopSignal::waitUntil(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cond_.wait_until(lock, deadline, [this] { return raised_; });
}

}  // namespace local
