#include "world.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace hiksim {
namespace {

std::string folderOf(const std::string& path) {
    const auto sep = path.rfind('/');
    return sep == std::string::npos ? std::string() : path.substr(0, sep);
}

std::string libraryFolder() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&folderOf), &info) == 0 || info.dli_fname == nullptr) {
        return std::string();
    }
    return folderOf(info.dli_fname);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot open \"" + path + "\"");
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool fileExists(const std::string& path) {
    return std::ifstream(path).good();
}

}  // namespace

World& World::get() {
    // Never destroyed: vendor threads of plays a host forgot to stop may still
    // reach it while the process ends.
    static World* world = new World();
    return *world;
}

void World::init() {
    bool readNow = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        initialised_ = true;
        readNow = !fileRead_;
        fileRead_ = true;
    }
    if (!readNow) {
        return;
    }
    const char* env = std::getenv("OV_HIKSIM_FILE");
    const bool named = env != nullptr && *env != '\0';
    const std::string path = named ? std::string(env) : libraryFolder() + "/hiksim.json";
    if (!named && !fileExists(path)) {
        return;
    }
    try {
        loadFile(path);
    } catch (const std::exception& e) {
        // the only line the simulator prints: without it a person would see
        // nothing but failing logins
        std::fprintf(stderr, "hiksim: %s: %s\n", path.c_str(), e.what());
    }
}

void World::cleanup() {
    std::vector<std::shared_ptr<LivePlay>> plays;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        initialised_ = false;
        for (auto& p : plays_) {
            plays.push_back(p.second);
        }
        plays_.clear();
        sessions_.clear();
    }
    stopPlays(std::move(plays));
}

bool World::initialised() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return initialised_;
}

void World::reset() {
    std::vector<std::shared_ptr<LivePlay>> plays;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& p : plays_) {
            plays.push_back(p.second);
        }
        plays_.clear();
        sessions_.clear();
        devices_.clear();
    }
    stopPlays(std::move(plays));
    journal_.clear();
    faults_.clear();
}

int32_t World::loadFile(const std::string& path) {
    const auto devices = parseDeviceFile(readFile(path), folderOf(path));
    for (const auto& d : devices) {
        addDevice(d);
    }
    return int32_t(devices.size());
}

void World::addDevice(std::shared_ptr<const SimDevice> device) {
    std::lock_guard<std::mutex> lock(mutex_);
    devices_[device->key()] = std::move(device);
}

bool World::removeDevice(const std::string& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    return devices_.erase(key) > 0;
}

uint32_t World::login(const std::string& host, uint16_t port, const std::string& user, const std::string& password,
                      HcDeviceInfo& info, int32_t& userId) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = devices_.find(host + ":" + std::to_string(port));
    if (it == devices_.end()) {
        return HC_ERR_CONNECT;
    }
    const SimDevice& d = *it->second;
    auto u = d.users.find(user);
    if (u == d.users.end() || u->second != password) {
        return HC_ERR_PASSWORD;
    }
    std::memset(&info, 0, sizeof info);
    std::strncpy(reinterpret_cast<char*>(info.serialNumber), d.serialNumber.c_str(), sizeof info.serialNumber - 1);
    info.analogChanCount = uint8_t(d.analogChannels);
    info.firstAnalogChan = uint8_t(d.firstAnalogChannel);
    info.ipChanCountLow = uint8_t(d.ipChannels & 0xFF);
    info.ipChanCountHigh = uint8_t(d.ipChannels >> 8);
    info.firstTalkChan = uint8_t(d.firstTalkChannel);
    info.deviceType = 1;
    userId = nextUserId_++;
    sessions_[userId] = Session{it->second, user};
    return HC_ERR_NONE;
}

uint32_t World::logout(int32_t userId) {
    std::vector<std::shared_ptr<LivePlay>> plays;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (sessions_.erase(userId) == 0) {
            return HC_ERR_NO_SUCH_USER_ID;
        }
        // a device drops the streams of a user who leaves
        for (auto it = plays_.begin(); it != plays_.end();) {
            if (it->second->userId == userId) {
                plays.push_back(it->second);
                it = plays_.erase(it);
            } else {
                ++it;
            }
        }
    }
    stopPlays(std::move(plays));
    return HC_ERR_NONE;
}

uint32_t World::ipChanConfig(int32_t userId, HcIpChanConfig& config) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = sessions_.find(userId);
    if (it == sessions_.end()) {
        return HC_ERR_NO_SUCH_USER_ID;
    }
    std::memset(&config, 0, sizeof config);
    config.size = sizeof config;
    config.firstDigitalChan = it->second.device->firstDigitalChannel;
    return HC_ERR_NONE;
}

uint32_t World::checkChannel(int32_t userId, int32_t channel) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = sessions_.find(userId);
    if (it == sessions_.end()) {
        return HC_ERR_NO_SUCH_USER_ID;
    }
    return it->second.device->hasChannel(channel) ? HC_ERR_NONE : HC_ERR_CHANNEL;
}

uint32_t World::startLive(int32_t userId, const HcPreviewInfo& preview, HcRealDataCallback callback, void* user,
                          int32_t& handle) {
    if (preview.streamType > 1) {
        return HC_ERR_PARAMETER;
    }
    std::shared_ptr<LivePlay> play;
    std::shared_ptr<const PsSource> source;
    bool realTime = true;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = sessions_.find(userId);
        if (it == sessions_.end()) {
            return HC_ERR_NO_SUCH_USER_ID;
        }
        source = it->second.device->stream(preview.channel, preview.streamType);
        if (!source) {
            return HC_ERR_CHANNEL;
        }
        realTime = it->second.device->realTime;
        handle = nextPlayHandle_++;
        play = std::make_shared<LivePlay>();
        play->userId = userId;
        play->channel = preview.channel;
        play->streamType = preview.streamType;
        if (callback != nullptr) {
            const int32_t h = handle;
            play->pump.reset(new StreamPump(source, realTime, uint32_t(h) * 2654435761u + 1u,
                                            [callback, user, h](uint32_t type, uint8_t* data, uint32_t size) {
                                                callback(h, type, data, size, user);
                                            }));
        }
        plays_[handle] = play;
        // started under the lock so that a concurrent stop finds the thread to join
        if (play->pump) {
            play->pump->start();
        }
    }
    return HC_ERR_NONE;
}

uint32_t World::stopLive(int32_t handle) {
    std::shared_ptr<LivePlay> play;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = plays_.find(handle);
        if (it == plays_.end()) {
            return HC_ERR_PARAMETER;
        }
        play = it->second;
        plays_.erase(it);
    }
    stopPlays({play});
    return HC_ERR_NONE;
}

int32_t World::activeLogins() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return int32_t(sessions_.size());
}

int32_t World::activePlays() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return int32_t(plays_.size());
}

int64_t World::deliveredBlocks(int32_t handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = plays_.find(handle);
    if (it == plays_.end()) {
        return -1;
    }
    return it->second->pump ? it->second->pump->delivered() : 0;
}

void World::stopPlays(std::vector<std::shared_ptr<LivePlay>> plays) {
    for (auto& p : plays) {
        if (p->pump) {
            p->pump->stop();
        }
    }
}

}  // namespace hiksim
