#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <hcnetsdk/hcnet_sdk.h>

#include "journal.h"
#include "sim_device.h"
#include "stream_pump.h"

namespace hiksim {

// A logged-in user id.
struct Session {
    std::shared_ptr<const SimDevice> device;
    std::string user;
};

// A live play handle. Without a data callback it has no pump: nothing is sent.
struct LivePlay {
    int32_t userId;
    int32_t channel;
    uint32_t streamType;
    std::unique_ptr<StreamPump> pump;
};

// The simulated recorders and everything the vendor interface has open on them.
// One per process. Its lock is never held while a pump is stopped or a data
// callback runs.
class World {
public:
    static World& get();

    Journal& journal() { return journal_; }
    FaultPlan& faults() { return faults_; }

    // NET_DVR_Init: the first one reads the recorder file.
    void init();
    // NET_DVR_Cleanup: stops plays, ends logins; the recorders stay.
    void cleanup();
    bool initialised() const;
    // Everything back to an initialised library without recorders.
    void reset();

    int32_t loadFile(const std::string& path);
    void addDevice(std::shared_ptr<const SimDevice> device);
    bool removeDevice(const std::string& key);

    // Vendor operations; each returns an HC_ERR_* code (0 on success).
    uint32_t login(const std::string& host, uint16_t port, const std::string& user, const std::string& password,
                   HcDeviceInfo& info, int32_t& userId);
    uint32_t logout(int32_t userId);
    uint32_t ipChanConfig(int32_t userId, HcIpChanConfig& config);
    uint32_t startLive(int32_t userId, const HcPreviewInfo& preview, HcRealDataCallback callback, void* user,
                       int32_t& handle);
    uint32_t stopLive(int32_t handle);
    uint32_t checkChannel(int32_t userId, int32_t channel);

    int32_t activeLogins() const;
    int32_t activePlays() const;
    int64_t deliveredBlocks(int32_t handle) const;

private:
    World() = default;
    // Stops the given plays outside the lock.
    static void stopPlays(std::vector<std::shared_ptr<LivePlay>> plays);

    mutable std::mutex mutex_;
    bool initialised_ = false;
    bool fileRead_ = false;
    std::map<std::string, std::shared_ptr<const SimDevice>> devices_;
    std::map<int32_t, Session> sessions_;
    std::map<int32_t, std::shared_ptr<LivePlay>> plays_;
    int32_t nextUserId_ = 0;
    int32_t nextPlayHandle_ = 0;

    Journal journal_;
    FaultPlan faults_;
};

}  // namespace hiksim
