// The plug-in file's entry: one provider of "hik" device records.
#include <ov/devcore.h>

#include "hik_video_dev_sdk.h"

namespace {

// loading the file starts the vendor library
const hik::SdkUse g_sdkUse;

class HikVideoDevSDKProvider : public OV::VideoDevSDKMakerProvider {
public:
    boost::shared_ptr<VideoDevSDKMaker> create() override {
        return boost::shared_ptr<VideoDevSDKMaker>(new hik::HikVideoDevSDK());
    }
};

}  // namespace

OV_PLUGIN_ENTRY {
    host.add(new HikVideoDevSDKProvider());
    return true;
}
