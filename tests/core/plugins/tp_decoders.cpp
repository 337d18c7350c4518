// Two keys offering decoders, offered out of key order ("decb" before "deca")
// so the decoder search's key order is visible. A decoder tells who made it
// through OpenSound(): 1000 + stream type from "deca", 2000 + type from "decb".
#include "test_provider.h"

namespace {

class TaggedLiveDec : public OV::LivePlayDec {
public:
    explicit TaggedLiveDec(int32_t tag) : tag_(tag) {}
    int32_t SetWnd(OV::WindowHandle) override { return 0; }
    int32_t InputData(int32_t, const uint8_t*, int32_t) override { return 0; }
    boost::shared_ptr<OV::JpegData> Capture() override { return {}; }
    int32_t StartSave(const char*) override { return 0; }
    int32_t StopSave() override { return 0; }
    int32_t OpenSound() override { return tag_; }
    int32_t CloseSound() override { return 0; }

private:
    int32_t tag_;
};

class TaggedRcdDec : public OV::RcdPlayDec {
public:
    explicit TaggedRcdDec(int32_t tag) : tag_(tag) {}
    int32_t SetWnd(OV::WindowHandle) override { return 0; }
    int32_t InputData(int32_t, const uint8_t*, int32_t) override { return 0; }
    boost::shared_ptr<OV::JpegData> Capture() override { return {}; }
    int32_t OpenSound() override { return tag_; }
    int32_t CloseSound() override { return 0; }
    int32_t SetSpeed(float) override { return 0; }
    int64_t GetPlayedTime() override { return 0; }

private:
    int32_t tag_;
};

boost::shared_ptr<VideoDevSDKMaker> makeA() {
    return testplugin::maker("deca", [](VideoDevSDK* sdk) {
        sdk->GetLivePlayDec = [](int32_t type) {
            return type == 1 ? boost::shared_ptr<OV::LivePlayDec>(new TaggedLiveDec(1000 + type))
                             : boost::shared_ptr<OV::LivePlayDec>();
        };
        sdk->GetRcdPlayDec = [](int32_t type) {
            return type == 1 ? boost::shared_ptr<OV::RcdPlayDec>(new TaggedRcdDec(1000 + type))
                             : boost::shared_ptr<OV::RcdPlayDec>();
        };
    });
}

boost::shared_ptr<VideoDevSDKMaker> makeB() {
    return testplugin::maker("decb", [](VideoDevSDK* sdk) {
        sdk->GetLivePlayDec = [](int32_t type) {
            return type >= 0 && type <= 2 ? boost::shared_ptr<OV::LivePlayDec>(new TaggedLiveDec(2000 + type))
                                          : boost::shared_ptr<OV::LivePlayDec>();
        };
    });
}

}  // namespace

OV_PLUGIN_ENTRY {
    host.add(new testplugin::MakerProvider(makeB));
    host.add(new testplugin::MakerProvider(makeA));
    return true;
}
