#include "pace_clock.h"

namespace local {
namespace {

class SteadyPaceClock final : public PaceClock {
public:
    TimePoint now() override { return std::chrono::steady_clock::now(); }
    bool sleepUntil(TimePoint due, StopSignal& stop) override { return stop.waitUntil(due); }
};

}  // namespace

boost::shared_ptr<PaceClock> PaceClock::steady() {
    return boost::shared_ptr<PaceClock>(new SteadyPaceClock());
}

}  // namespace local
