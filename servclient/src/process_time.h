#pragma once

// When the processing of the latest incoming frame started and ended. The
// heartbeat discounts that time from the silence of a connection, so that a
// slow consumer holding up the reading of heartbeat answers does not look
// like a dead server.

#include <atomic>
#include <chrono>
#include <cstdint>

#include <boost/shared_ptr.hpp>

namespace sms {

typedef std::chrono::steady_clock KelClock;

class ProcessTime {
public:
    ProcessTime();

    void stampStart();
    void stampEnd();
    // end - start when the latest frame is done, else now - start.
    std::chrono::microseconds processing(KelClock::time_point now) const;

private:
    std::atomic<int64_t> start_;
    std::atomic<int64_t> end_;
};

// Stamps the start when made and the end when the last holder lets go; it
// travels with a frame to the thread that delivers it.
class ProcessTimeHelper {
public:
    explicit ProcessTimeHelper(boost::shared_ptr<ProcessTime> time);
    ~ProcessTimeHelper();
    ProcessTimeHelper(const ProcessTimeHelper&) = delete;
    ProcessTimeHelper& operator=(const ProcessTimeHelper&) = delete;

private:
    boost::shared_ptr<ProcessTime> time_;
};

}  // namespace sms
