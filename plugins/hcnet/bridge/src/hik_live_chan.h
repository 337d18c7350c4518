#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include <boost/noncopyable.hpp>
#include <boost/shared_ptr.hpp>

#include <ov/contracts.h>

#include <demux/mpeg2_demux.h>

#include "login_hd.h"
#include "pts_check.h"

namespace hik {

// A live stream of one recorder channel: main or sub stream, passed through in
// the vendor's format (kinds 5 and 4) or demultiplexed to H.264 frames (kind 1).
// Releasing the last reference stops the vendor play; no callback runs after
// the release returns.
class HikLiveChan : public OV::LiveChan, boost::noncopyable {
public:
    HikLiveChan(boost::shared_ptr<LoginHD> login, int32_t channel, int32_t streamType, bool passThrough);
    ~HikLiveChan();

    // -1 without effect when called from inside the channel's own frame
    // callback (the callback may not be replaced while it runs).
    int32_t SetCallback(OV::FrameCallback onFrame, OV::FrameCallback second) override;
    // A second Start while playing keeps the running play and returns 0.
    int32_t Start() override;
    int32_t MakeKeyFrame() override;

    int32_t PlayHandle() const { return handle_; }

private:
    static void OnPassThroughData(int32_t handle, uint32_t dataType, uint8_t* data, uint32_t size, void* user);
    static void OnDemuxData(int32_t handle, uint32_t dataType, uint8_t* data, uint32_t size, void* user);

    OV::FrameCallback callback_;
    boost::shared_ptr<LoginHD> login_;
    int32_t channel_;
    int32_t handle_;
    boost::shared_ptr<CMpeg2Demux> demux_;
    int32_t streamType_;
    uint8_t passThrough_;

    OV::FrameCallback second_;  // kept, never called
    // Held by the vendor thread while it hands a block on, and by SetCallback:
    // a callback installed while data already flows is never half-seen.
    std::mutex deliveryMutex_;
    // The vendor thread while it holds deliveryMutex_, so that SetCallback
    // from inside the frame callback is refused instead of deadlocking.
    std::atomic<std::thread::id> deliveringThread_;

    class Delivering;
};

// Slot operations: the channel of opt on the login its texts name, or empty
// when the login failed without a vendor error code.
boost::shared_ptr<OV::LiveChan> MakeLiveChan(OV::ChanOpt* opt, int32_t streamType, bool passThrough);

// Milliseconds since local midnight.
int64_t TimeOfDayMs();

}  // namespace hik
