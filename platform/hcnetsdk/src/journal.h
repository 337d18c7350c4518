#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace hiksim {

// What the vendor calls were, one line each, and which calls must fail next.
class Journal {
public:
    static const std::size_t kMaxEntries = 100000;  // the oldest go first

    void add(std::string line);
    std::vector<std::string> entries() const;
    std::size_t count() const;
    bool entry(std::size_t index, std::string& line) const;
    int32_t countCalls(const std::string& function) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::deque<std::string> lines_;
};

class FaultPlan {
public:
    void failNext(const std::string& function, uint32_t error);
    // True (with the error to report) when a failure was queued for function.
    bool take(const std::string& function, uint32_t& error);
    void clear();

private:
    std::mutex mutex_;
    std::map<std::string, std::deque<uint32_t>> pending_;
};

// Quoted text for journal lines; null shows as NULL.
std::string quoted(const char* text);

}  // namespace hiksim
