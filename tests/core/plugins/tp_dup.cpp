// Built twice (TP_DUP_MARK 1 and 2): two plug-ins registering the same key.
#include "test_provider.h"

namespace {
boost::shared_ptr<VideoDevSDKMaker> make() {
    return testplugin::maker("dup", [](VideoDevSDK* sdk) {
        sdk->EnumHostChan = [](OV::HostOpt*, NodeCallback) { return int32_t(TP_DUP_MARK); };
    });
}
}  // namespace

OV_PLUGIN_ENTRY {
    host.add(new testplugin::MakerProvider(make));
    return true;
}
