#include "args.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace ovctl {

bool Args::flag(const std::string& name) {
    auto it = std::find(words_.begin(), words_.end(), name);
    if (it == words_.end()) {
        return false;
    }
    words_.erase(it);
    return true;
}

std::optional<std::string> Args::value(const std::string& name) {
    for (auto it = words_.begin(); it != words_.end(); ++it) {
        if (*it == name) {
            if (it + 1 == words_.end()) {
                throw UsageError(name + " needs a value");
            }
            std::string v = *(it + 1);
            words_.erase(it, it + 2);
            return v;
        }
        if (it->compare(0, name.size() + 1, name + "=") == 0) {
            std::string v = it->substr(name.size() + 1);
            words_.erase(it);
            return v;
        }
    }
    return std::nullopt;
}

std::string Args::require(const std::string& name) {
    auto v = value(name);
    if (!v) {
        throw UsageError(name + " is required");
    }
    return *v;
}

std::optional<long long> Args::number(const std::string& name) {
    auto v = value(name);
    if (!v) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long long n = std::strtoll(v->c_str(), &end, 0);
    if (v->empty() || *end != '\0' || errno != 0) {
        throw UsageError(name + " wants a number, not \"" + *v + "\"");
    }
    return n;
}

void Args::finish() const {
    if (!words_.empty()) {
        throw UsageError("unexpected argument \"" + words_.front() + "\"");
    }
}

}  // namespace ovctl
