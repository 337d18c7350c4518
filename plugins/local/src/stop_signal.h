#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace local {

// Raised once when a worker is to end; wakes every wait on it at once.
class StopSignal {
public:
    void raise();
    bool raised() const;
    // Waits until `deadline` or the signal; true when the signal was raised.
    bool waitUntil(std::chrono::steady_clock::time_point deadline);

private:
    mutable std::mutex mutex_;
    std::condition_variable cond_;
    bool raised_ = false;
};

}  // namespace local
