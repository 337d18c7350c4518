#pragma once

// Building blocks of the small plug-ins the core's tests load.

#include <ov/devcore.h>

namespace testplugin {

// A provider of the device-record type with a chosen version and maker.
class MakerProvider : public OV::VideoDevSDKMakerProvider {
public:
    typedef boost::shared_ptr<VideoDevSDKMaker> (*MakeFn)();
    MakerProvider(MakeFn make, uint32_t version = OV::VIDEO_DEV_SDK_MAKER_VERSION) : make_(make), version_(version) {}
    uint32_t version() const override { return version_; }
    boost::shared_ptr<VideoDevSDKMaker> create() override { return make_(); }

private:
    MakeFn make_;
    uint32_t version_;
};

// A provider of a type nobody registered.
class StrangerProvider : public plugin::Provider {
public:
    uint32_t version() const override { return 1; }
    const char* typeName() const override { return "Stranger"; }
};

inline boost::shared_ptr<VideoDevSDKMaker> maker(const char* key, boost::function<void(VideoDevSDK*)> fill) {
    auto m = boost::shared_ptr<VideoDevSDKMaker>(new VideoDevSDKMaker());
    m->name = key;
    m->fill = fill;
    return m;
}

}  // namespace testplugin
