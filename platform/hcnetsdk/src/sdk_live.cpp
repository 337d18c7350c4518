// Live streams of a recorder's channels.
#include <hcnetsdk/hcnet_sdk.h>

#include "vendor_call.h"

using hiksim::vendorCall;
using hiksim::World;

extern "C" {

HCNET_API int32_t NET_DVR_RealPlay_V40(int32_t userId, const HcPreviewInfo* preview, HcRealDataCallback callback,
                                       void* user) {
    std::string args = std::to_string(userId) + ", ";
    if (preview == nullptr) {
        args += "NULL";
    } else {
        args += "{channel " + std::to_string(preview->channel) + ", stream " + std::to_string(preview->streamType) +
                ", link " + std::to_string(preview->linkMode) + ", window " + std::to_string(preview->window) +
                ", blocked " + std::to_string(preview->blocked) + "}";
    }
    args += callback != nullptr ? ", callback" : ", NULL";
    return vendorCall("NET_DVR_RealPlay_V40", args, 0, -1, [=](int32_t& handle) {
        if (preview == nullptr) {
            return uint32_t(HC_ERR_PARAMETER);
        }
        return World::get().startLive(userId, *preview, callback, user, handle);
    });
}

HCNET_API int32_t NET_DVR_StopRealPlay(int32_t realHandle) {
    return vendorCall("NET_DVR_StopRealPlay", std::to_string(realHandle), 1, 0,
                      [=](int32_t&) { return World::get().stopLive(realHandle); });
}

HCNET_API int32_t NET_DVR_MakeKeyFrame(int32_t userId, int32_t channel) {
    return vendorCall("NET_DVR_MakeKeyFrame", std::to_string(userId) + ", " + std::to_string(channel), 1, 0,
                      [=](int32_t&) { return World::get().checkChannel(userId, channel); });
}

}  // extern "C"
