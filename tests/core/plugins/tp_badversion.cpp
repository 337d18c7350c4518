// Offers the device-record type only in versions the core does not speak.
#include "test_provider.h"

namespace {
boost::shared_ptr<VideoDevSDKMaker> make() {
    return testplugin::maker("badversion", [](VideoDevSDK*) {});
}
}  // namespace

OV_PLUGIN_ENTRY {
    host.add(new testplugin::MakerProvider(make, 2));
    host.add(new testplugin::MakerProvider(make, 4));
    return true;
}
