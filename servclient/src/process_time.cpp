#include "process_time.h"

namespace sms {
namespace {

int64_t ticks(KelClock::time_point t) {
    return std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
}

}  // namespace

ProcessTime::ProcessTime() : start_(ticks(KelClock::now())), end_(start_.load()) {}

void ProcessTime::stampStart() {
    start_.store(ticks(KelClock::now()));
}

void ProcessTime::stampEnd() {
    end_.store(ticks(KelClock::now()));
}

std::chrono::microseconds ProcessTime::processing(KelClock::time_point now) const {
    const int64_t start = start_.load();
    const int64_t end = end_.load();
    return std::chrono::microseconds(end >= start ? end - start : ticks(now) - start);
}

ProcessTimeHelper::ProcessTimeHelper(boost::shared_ptr<ProcessTime> time) : time_(std::move(time)) {
    time_->stampStart();
}

ProcessTimeHelper::~ProcessTimeHelper() {
    time_->stampEnd();
}

}  // namespace sms
