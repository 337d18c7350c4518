#include "registry.h"

namespace OV {

void Registry::put(const std::string& key, boost::shared_ptr<VideoDevSDK> record) {
    std::lock_guard<std::mutex> lock(mutex_);
    records_[key] = std::move(record);
}

boost::shared_ptr<VideoDevSDK> Registry::find(const std::string& key) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = records_.find(key);
    return it == records_.end() ? boost::shared_ptr<VideoDevSDK>() : it->second;
}

std::vector<boost::shared_ptr<VideoDevSDK>> Registry::snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<boost::shared_ptr<VideoDevSDK>> all;
    all.reserve(records_.size());
    for (const auto& entry : records_) {
        all.push_back(entry.second);
    }
    return all;
}

std::vector<std::string> Registry::keys() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> all;
    all.reserve(records_.size());
    for (const auto& entry : records_) {
        all.push_back(entry.first);
    }
    return all;
}

void Registry::clear() {
    std::map<std::string, boost::shared_ptr<VideoDevSDK>> released;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        released.swap(records_);
    }
    // records are released outside the lock: their destructors run plug-in code
}

}  // namespace OV
