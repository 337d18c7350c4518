// A maker that names a key but has nothing to fill the record with.
#include "test_provider.h"

namespace {
boost::shared_ptr<VideoDevSDKMaker> make() {
    return testplugin::maker("emptyfill", boost::function<void(VideoDevSDK*)>());
}
}  // namespace

OV_PLUGIN_ENTRY {
    host.add(new testplugin::MakerProvider(make));
    return true;
}
