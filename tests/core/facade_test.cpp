// Runs against a copy of libdevcore.so whose plug-in folder holds the test
// plug-ins: "fake" (a device), "deca"/"decb" (decoders), two plug-ins both
// registering "dup", and, in subfolders, plug-ins that fail to load.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <ov/devcore.h>
#include <ov/text/gbk.h>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// Expects fn to throw ovnexception with the code and message.
template <class Fn>
void expectOvn(Fn fn, int32_t code, const std::string& utf8Message) {
    try {
        fn();
        ADD_FAILURE() << "no ovnexception, expected " << code;
    } catch (const OV::ovnexception& e) {
        EXPECT_EQ(e.code(), code);
        EXPECT_EQ(std::string(e.message()), ovtext::utf8ToGbk(utf8Message));
    }
}

OV::ChanOpt chan(const char* type, const char* channel = "1") {
    return {type, "10.0.0.1", "admin", "pw", channel};
}

class Started : public testing::Test {
protected:
    void SetUp() override {
        CaptureStderr();
        OV::Init();
        startupLines = GetCapturedStderr();
    }
    void TearDown() override { OV::Fini(); }
    std::string startupLines;
};

TEST_F(Started, ScansThePluginFolderRecursively) {
    EXPECT_EQ(GetVideoDevSDKTypes(), (std::vector<std::string>{"deca", "decb", "dup", "fake"}));
    EXPECT_EQ(GetAllVideoDevSDK().size(), 4u);
    // the broken plug-ins in subfolders were found, reported and left out
    EXPECT_NE(startupLines.find("Failed to initialize plugin \"tp_noentry\""), std::string::npos) << startupLines;
    EXPECT_NE(startupLines.find("Self registry failed on plugin \"tp_false\""), std::string::npos) << startupLines;
    EXPECT_NE(startupLines.find("Nothing registered by plugin \"tp_badversion\""), std::string::npos) << startupLines;
}

TEST_F(Started, UnknownKeysAreCaseSensitive) {
    OV::ChanOpt opt = chan("FAKE");
    expectOvn([&] { OV::GetLiveChan(&opt); }, -3001, "缺少类型为[FAKE]的相应组件");
    expectOvn([] { GetVideoDevSDK("hik"); }, -3001, "缺少类型为[hik]的相应组件");
    // the message is GBK: "缺" is C8 B1 there
    try {
        GetVideoDevSDK("x");
    } catch (const OV::ovnexception& e) {
        EXPECT_EQ(std::string(e.message()).substr(0, 2), "\xC8\xB1");
    }
}

TEST_F(Started, NullOptionsNameNoComponent) {
    OV::ChanOpt noType = chan(nullptr);
    expectOvn([] { OV::GetLiveChan(nullptr); }, -3001, "缺少类型为[]的相应组件");
    expectOvn([&] { OV::GetPtzChan(&noType); }, -3001, "缺少类型为[]的相应组件");
    expectOvn([] { OV::EnumHostChan(nullptr, NodeCallback()); }, -3001, "缺少类型为[]的相应组件");
    expectOvn([] { OV::QueryRcd(nullptr); }, -3001, "缺少类型为[]的相应组件");
    expectOvn([] { GetVideoDevSDK(nullptr); }, -3001, "缺少类型为[]的相应组件");
}

TEST_F(Started, MissingOperationsAreMinus3002) {
    OV::ChanOpt opt = chan("fake");
    const std::string text = "call to empty boost::function";
    expectOvn([&] { OV::GetAlarmChan(&opt); }, -3002, text);
    expectOvn([&] { OV::GetPtzChan(&opt); }, -3002, text);
    expectOvn([&] { OV::GetLiveSubChan(&opt); }, -3002, text);
    expectOvn([&] { OV::GetLiveH264Chan(&opt); }, -3002, text);
    expectOvn([&] { OV::GetLiveH264SubChan(&opt); }, -3002, text);
}

TEST_F(Started, PluginFailuresPassThroughUnchanged) {
    OV::ChanOpt failing = chan("fake", "fail");
    try {
        OV::GetLiveChan(&failing);
        ADD_FAILURE();
    } catch (const OV::ovnexception& e) {
        EXPECT_EQ(e.code(), -1);
        EXPECT_STREQ(e.message(), "device refused");
    }
    // an empty function called inside a plug-in is the plug-in's fault, not a missing slot
    OV::RcdChanOpt rcd = {chan("fake"), {2026, 1, 1, 0, 0, 0}, {2026, 1, 1, 1, 0, 0}};
    EXPECT_THROW(OV::GetRcdChan(&rcd), boost::bad_function_call);
}

TEST_F(Started, RequestsReachTheirSlot) {
    OV::HostOpt host = {"fake", "10.0.0.1:8000", "admin", "pw"};
    std::vector<std::string> seen;
    EXPECT_EQ(OV::EnumHostChan(
                  &host, [&](OV::NodeInfo* n) { seen.push_back(std::string(n->addr) + " " + n->name + "=" + n->id); }),
              0);
    EXPECT_EQ(seen, (std::vector<std::string>{"10.0.0.1:8000 cam1=1", "10.0.0.1:8000 cam2=2"}));

    OV::QueryRcdOpt query;
    static_cast<OV::RcdChanOpt&>(query) = {chan("fake"), {2026, 3, 4, 5, 6, 7}, {2026, 3, 4, 6, 0, 0}};
    std::vector<int32_t> found;
    query.callback = [&](OV::RcdInfo* r) { found = {r->start.day, r->end.hour, r->size, r->reserved}; };
    EXPECT_EQ(OV::QueryRcd(&query), 0);
    EXPECT_EQ(found, (std::vector<int32_t>{4, 6, 4096, 0}));
}

TEST_F(Started, TheLaterOfTwoSameKeysWins) {
    // tp_dup_1 loads before tp_dup_2; each answers EnumHostChan with its number
    OV::HostOpt host = {"dup", "", "", ""};
    EXPECT_EQ(OV::EnumHostChan(&host, NodeCallback()), 2);
}

TEST_F(Started, DecodersAreSearchedInKeyOrder) {
    const struct {
        int32_t type;
        int32_t liveTag;
    } live[] = {{0, 2000}, {1, 1001}, {2, 2002}};
    for (const auto& c : live) {
        auto dec = OV::GetLivePlayDec(c.type);
        ASSERT_TRUE(dec) << c.type;
        EXPECT_EQ(dec->OpenSound(), c.liveTag) << c.type;
    }
    EXPECT_NE(OV::GetLivePlayDec(1), OV::GetLivePlayDec(1));  // a new decoder per request
    EXPECT_EQ(OV::GetRcdPlayDec(1)->OpenSound(), 1001);
    expectOvn([] { OV::GetLivePlayDec(7); }, -3005, "缺少类型为[7]的相应解码组件");
    expectOvn([] { OV::GetLivePlayDec(-1); }, -3005, "缺少类型为[-1]的相应解码组件");
    expectOvn([] { OV::GetRcdPlayDec(0); }, -3005, "缺少类型为[0]的相应回放解码组件");
}

TEST(InitCounting, NestedStartsAndStops) {
    OV::ChanOpt opt = chan("fake");
    expectOvn([&] { OV::GetLiveChan(&opt); }, -3001, "缺少类型为[fake]的相应组件");
    expectOvn([] { OV::GetLivePlayDec(0); }, -3005, "缺少类型为[0]的相应解码组件");

    CaptureStderr();
    OV::Init();
    OV::Init();
    GetCapturedStderr();
    OV::Fini();
    EXPECT_TRUE(OV::GetLiveChan(&opt));  // one start still counts
    OV::Fini();
    expectOvn([&] { OV::GetLiveChan(&opt); }, -3001, "缺少类型为[fake]的相应组件");
    OV::Fini();  // unmatched: harmless, and the next Init starts for real

    CaptureStderr();
    OV::Init();
    GetCapturedStderr();
    EXPECT_TRUE(OV::GetLiveChan(&opt));
    OV::Fini();
}

TEST(InitCounting, ObjectsOutliveTheRegistry) {
    CaptureStderr();
    OV::Init();
    GetCapturedStderr();
    OV::ChanOpt opt = chan("fake");
    boost::shared_ptr<OV::LiveChan> live = OV::GetLiveChan(&opt);
    boost::shared_ptr<OV::LivePlayDec> dec = OV::GetLivePlayDec(2);
    boost::shared_ptr<VideoDevSDK> record = GetVideoDevSDK("fake");
    OV::Fini();
    expectOvn([] { GetVideoDevSDK("fake"); }, -3001, "缺少类型为[fake]的相应组件");

    int frames = 0;
    live->SetCallback([&](OV::StreamFrame* f) { frames += f->kind == OV::FRAME_H264 ? 1 : 0; }, OV::FrameCallback());
    EXPECT_EQ(live->Start(), 0);
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(dec->OpenSound(), 2002);
    EXPECT_TRUE(record->GetLiveChan(&opt));
}

}  // namespace
