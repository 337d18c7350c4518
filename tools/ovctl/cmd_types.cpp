// ovctl types: what the device layer found in its plug-in folder.

#include <cstdio>
#include <string>

#include <ov/devcore.h>

#include "commands.h"
#include "core_session.h"

namespace ovctl {

const char* const kTypesUsage =
    "usage: ovctl types\n"
    "\n"
    "Starts the device layer, lists every registered device-type key and, for\n"
    "stream types 0 to 2, which key answers the live and the playback decoder\n"
    "search, then stops the layer.\n";

namespace {

const char* const kStreamNames[] = {"H.264 elementary stream", "Hikvision device stream", "Dahua device stream"};

// The first key in key order whose record makes a decoder of the type: the
// same walk the facade's decoder search does.
template <class Slot>
std::string answeringKey(const std::vector<std::string>& keys, Slot VideoDevSDK::*slot, int32_t streamType) {
    for (const std::string& key : keys) {
        const auto record = GetVideoDevSDK(key.c_str());
        const auto& make = (*record).*slot;
        if (!make.empty() && make(streamType)) {
            return key;
        }
    }
    return "-";
}

}  // namespace

int runTypes(Args& args) {
    args.finish();
    CoreSession core;
    const std::vector<std::string> keys = GetVideoDevSDKTypes();
    std::printf("device types (%zu):\n", keys.size());
    for (const std::string& key : keys) {
        std::printf("  %s\n", key.c_str());
    }
    std::printf("decoders by stream type (live / playback):\n");
    for (int32_t type = 0; type <= 2; ++type) {
        const std::string live = answeringKey(keys, &VideoDevSDK::GetLivePlayDec, type);
        const std::string playback = answeringKey(keys, &VideoDevSDK::GetRcdPlayDec, type);
        std::printf("  %d %-24s %s / %s\n", type, kStreamNames[type], live.c_str(), playback.c_str());
    }
    return 0;
}

}  // namespace ovctl
