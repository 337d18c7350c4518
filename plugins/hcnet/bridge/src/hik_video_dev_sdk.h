#pragma once

#include <ov/videodevsdk.h>

namespace hik {

const char* const kDeviceType = "hik";

// Fills the record of the "hik" key. Slots of operations this plug-in does
// not offer (yet) stay empty.
void FillVideoDevSDK(VideoDevSDK* sdk);

// The maker the plug-in's provider hands to the core.
struct HikVideoDevSDK : VideoDevSDKMaker {
    HikVideoDevSDK() {
        name = kDeviceType;
        fill = &FillVideoDevSDK;
    }
};

// Starts the vendor library when the first instance comes to life in the
// process; the plug-in file holds one for as long as it is loaded. The vendor
// library is never cleaned up: other holders may still use it.
class SdkUse {
public:
    SdkUse();
    ~SdkUse();
    SdkUse(const SdkUse&) = delete;
    SdkUse& operator=(const SdkUse&) = delete;
};

}  // namespace hik
