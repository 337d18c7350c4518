// Offers a provider, then says registration failed: the offer must be withdrawn.
#include "test_provider.h"

namespace {
boost::shared_ptr<VideoDevSDKMaker> make() {
    return testplugin::maker("never", [](VideoDevSDK*) {});
}
}  // namespace

OV_PLUGIN_ENTRY {
    host.add(new testplugin::MakerProvider(make));
    return false;
}
