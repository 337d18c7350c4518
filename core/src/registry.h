#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include <ov/videodevsdk.h>

namespace OV {

// The device-type records filed by key, guarded so that requests racing the
// first start-up or the final shut-down see a consistent map.
class Registry {
public:
    void put(const std::string& key, boost::shared_ptr<VideoDevSDK> record);
    boost::shared_ptr<VideoDevSDK> find(const std::string& key) const;
    std::vector<boost::shared_ptr<VideoDevSDK>> snapshot() const;
    std::vector<std::string> keys() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::map<std::string, boost::shared_ptr<VideoDevSDK>> records_;
};

}  // namespace OV
