// One good provider among bad offers: the good one must survive.
#include "test_provider.h"

namespace {
boost::shared_ptr<VideoDevSDKMaker> make() {
    return testplugin::maker("mixed", [](VideoDevSDK*) {});
}
}  // namespace

OV_PLUGIN_ENTRY {
    host.add(nullptr);
    host.add(new testplugin::StrangerProvider());
    host.add(new testplugin::MakerProvider(make));
    return true;
}
