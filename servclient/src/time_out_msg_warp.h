#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "kel_msg.h"

namespace sms {

// The waiter of one request: the answer, once delivered, and how to wake the
// thread that waits for it.
struct TimeOutMsgWarp {
    explicit TimeOutMsgWarp(int64_t timeoutMs) : timeoutMs(timeoutMs) {}

    int64_t timeoutMs;
    KelMsgPtr answer;
    std::mutex mutex;
    std::condition_variable arrived;
};

}  // namespace sms
