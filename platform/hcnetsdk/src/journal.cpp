#include "journal.h"

namespace hiksim {

void Journal::add(std::string line) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (lines_.size() == kMaxEntries) {
        lines_.pop_front();
    }
    lines_.push_back(std::move(line));
}

std::vector<std::string> Journal::entries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::vector<std::string>(lines_.begin(), lines_.end());
}

std::size_t Journal::count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_.size();
}

bool Journal::entry(std::size_t index, std::string& line) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index >= lines_.size()) {
        return false;
    }
    line = lines_[index];
    return true;
}

int32_t Journal::countCalls(const std::string& function) const {
    const std::string prefix = function + "(";
    std::lock_guard<std::mutex> lock(mutex_);
    int32_t n = 0;
    for (const std::string& line : lines_) {
        n += line.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    }
    return n;
}

void Journal::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
}

void FaultPlan::failNext(const std::string& function, uint32_t error) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_[function].push_back(error);
}

bool FaultPlan::take(const std::string& function, uint32_t& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = pending_.find(function);
    if (it == pending_.end() || it->second.empty()) {
        return false;
    }
    error = it->second.front();
    it->second.pop_front();
    return true;
}

void FaultPlan::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.clear();
}

std::string quoted(const char* text) {
    return text == nullptr ? "NULL" : "\"" + std::string(text) + "\"";
}

}  // namespace hiksim
