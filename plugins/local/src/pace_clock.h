#pragma once

#include <chrono>

#include <boost/shared_ptr.hpp>

#include "stop_signal.h"

namespace local {

// The clock a file channel paces its pictures by. Tests put in a clock of
// their own to see every due time the channel computes without waiting for it.
class PaceClock {
public:
    typedef std::chrono::steady_clock::time_point TimePoint;

    virtual ~PaceClock() = default;
    virtual TimePoint now() = 0;
    // Sleeps until `due` unless `stop` is raised first; true when stopped.
    virtual bool sleepUntil(TimePoint due, StopSignal& stop) = 0;

    // The monotonic clock of the machine; wall-clock changes do not disturb it.
    static boost::shared_ptr<PaceClock> steady();
};

}  // namespace local
