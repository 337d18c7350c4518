// Library start and stop, errors and configuration queries.
#include <hcnetsdk/hcnet_sdk.h>

#include <cstring>

#include "vendor_call.h"

using hiksim::vendorCall;
using hiksim::World;

extern "C" {

HCNET_API int32_t NET_DVR_Init(void) {
    try {
        World::get().init();
        hiksim::setLastError(HC_ERR_NONE);
        World::get().journal().add("NET_DVR_Init() -> 1");
        return 1;
    } catch (...) {
        return 0;
    }
}

HCNET_API int32_t NET_DVR_Cleanup(void) {
    return vendorCall("NET_DVR_Cleanup", "", 1, 0, [](int32_t&) {
        World::get().cleanup();
        return HC_ERR_NONE;
    });
}

HCNET_API int32_t NET_DVR_SetAudioMode(uint32_t mode) {
    return vendorCall("NET_DVR_SetAudioMode", std::to_string(mode), 1, 0, [mode](int32_t&) {
        return mode == 1 || mode == HC_AUDIO_MODE_SHARED ? HC_ERR_NONE : HC_ERR_PARAMETER;
    });
}

HCNET_API uint32_t NET_DVR_GetLastError(void) {
    return hiksim::lastError();
}

HCNET_API int32_t NET_DVR_GetDVRConfig(int32_t userId, uint32_t command, int32_t channel, void* buffer,
                                       uint32_t bufferSize, uint32_t* returned) {
    const std::string args = std::to_string(userId) + ", " + std::to_string(command) + ", " + std::to_string(channel) +
                             ", buffer, " + std::to_string(bufferSize);
    return vendorCall("NET_DVR_GetDVRConfig", args, 1, 0, [=](int32_t&) {
        if (buffer == nullptr) {
            return uint32_t(HC_ERR_PARAMETER);
        }
        // Commands join here as the recorders learn them; the rest are refused
        // as a recorder refuses a configuration it does not have.
        switch (command) {
            case HC_GET_IPCHAN_CONFIG: {
                if (bufferSize < sizeof(HcIpChanConfig)) {
                    return uint32_t(HC_ERR_BUFFER_TOO_SMALL);
                }
                HcIpChanConfig config;
                const uint32_t error = World::get().ipChanConfig(userId, config);
                if (error == HC_ERR_NONE) {
                    std::memcpy(buffer, &config, sizeof config);
                    if (returned != nullptr) {
                        *returned = sizeof config;
                    }
                }
                return error;
            }
            default:
                return uint32_t(HC_ERR_NOT_SUPPORTED);
        }
    });
}

}  // extern "C"
