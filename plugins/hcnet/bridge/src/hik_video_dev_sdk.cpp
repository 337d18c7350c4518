#include "hik_video_dev_sdk.h"

#include <atomic>

#include <boost/bind/bind.hpp>

#include <hcnetsdk/hcnet_sdk.h>

#include "enum_host_chan.h"
#include "hik_live_chan.h"

namespace hik {
namespace {

std::atomic<int32_t> g_sdkUsers{0};

}  // namespace

void FillVideoDevSDK(VideoDevSDK* sdk) {
    using boost::placeholders::_1;
    sdk->GetLiveChan = boost::bind(&MakeLiveChan, _1, 0, true);
    sdk->GetLiveSubChan = boost::bind(&MakeLiveChan, _1, 1, true);
    sdk->GetLiveH264Chan = boost::bind(&MakeLiveChan, _1, 0, false);
    sdk->GetLiveH264SubChan = boost::bind(&MakeLiveChan, _1, 1, false);
    sdk->EnumHostChan = &EnumHostChan;
}

SdkUse::SdkUse() {
    if (g_sdkUsers.fetch_add(1) == 0) {
        NET_DVR_Init();
        NET_DVR_SetAudioMode(HC_AUDIO_MODE_SHARED);
    }
}

SdkUse::~SdkUse() {
    g_sdkUsers.fetch_sub(1);
}

}  // namespace hik
