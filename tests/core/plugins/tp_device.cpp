// A device type "fake" with a live channel, an enumeration and a record search.
// The channel named "fail" makes the plug-in raise its own error; the record
// channel slot misuses an empty function internally, which must reach the
// caller unchanged rather than look like a missing operation.
#include <string>

#include "test_provider.h"

namespace {

class FakeLiveChan : public OV::LiveChan {
public:
    int32_t SetCallback(OV::FrameCallback onFrame, OV::FrameCallback) override {
        onFrame_ = onFrame;
        return 0;
    }
    int32_t Start() override {
        static const uint8_t payload[] = {0, 0, 0, 1, 0x65};
        OV::StreamFrame frame = {payload, sizeof payload, OV::FRAME_H264, 0, 0, 0, 1, OV::STREAM_H264};
        onFrame_(&frame);
        return 0;
    }
    int32_t MakeKeyFrame() override { return 0; }

private:
    OV::FrameCallback onFrame_;
};

boost::shared_ptr<OV::LiveChan> openLive(OV::ChanOpt* opt) {
    if (std::string(opt->chan) == "fail") {
        throw OV::ovnexception_imp(-1, "device refused");
    }
    return boost::shared_ptr<OV::LiveChan>(new FakeLiveChan());
}

int32_t enumerate(OV::HostOpt* opt, NodeCallback onNode) {
    for (const char* id : {"1", "2"}) {
        const std::string name = std::string("cam") + id;
        OV::NodeInfo node = {"fake", opt->addr, opt->user, opt->passw, name.c_str(), id};
        onNode(&node);
    }
    return 0;
}

int32_t query(OV::QueryRcdOpt* opt) {
    OV::RcdInfo info = {opt->start, opt->end, 4096, 0};
    opt->callback(&info);
    return 0;
}

boost::shared_ptr<OV::RcdChan> openRcd(OV::RcdChanOpt*) {
    boost::function<void()> nothing;
    nothing();
    return {};
}

boost::shared_ptr<VideoDevSDKMaker> make() {
    return testplugin::maker("fake", [](VideoDevSDK* sdk) {
        sdk->GetLiveChan = openLive;
        sdk->EnumHostChan = enumerate;
        sdk->QueryRcd = query;
        sdk->GetRcdChan = openRcd;
    });
}

}  // namespace

OV_PLUGIN_ENTRY {
    host.add(new testplugin::MakerProvider(make));
    return true;
}
