// localbridge.ovn: offers the "file" device type to the device layer.

#include <ov/plugin.h>
#include <ov/videodevsdk.h>

#include "file_video_dev_sdk.h"

namespace local {
namespace {

class FileVideoDevSDKProvider : public OV::VideoDevSDKMakerProvider {
public:
    boost::shared_ptr<VideoDevSDKMaker> create() override {
        return boost::shared_ptr<VideoDevSDKMaker>(new FileVideoDevSDK());
    }
};

}  // namespace
}  // namespace local

OV_PLUGIN_ENTRY {
    try {
        host.add(new local::FileVideoDevSDKProvider());
        return true;
    } catch (...) {
        return false;  // nothing leaves a C export
    }
}
