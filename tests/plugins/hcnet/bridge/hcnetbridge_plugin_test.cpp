// The plug-in file as the core loads it from the plug-in folder.
#include <hcnetsdk/hcnet_sdk.h>
#include <hcnetsdk/hiksim_control.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <hiksimtest/hik_stream.h>
#include <hiksimtest/journal.h>
#include <ov/devcore.h>

using testing::Contains;
using testing::HasSubstr;

namespace {

class HcnetbridgePluginTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        OV::Init();
        if (startJournal_.empty()) {  // the first start of the process (tests may repeat)
            startJournal_ = hiksimtest::Journal();
        }
        HikSim_Reset();
        const std::string path =
            hiksimtest::WriteFile("plugin.ps", hiksimtest::MakeHikStream(hiksimtest::FakeVideo(10, 0, 5)));
        const std::string device = R"({"host": "127.0.0.1", "users": {"admin": "12345"}, "analogChannels": 2,
            "ipChannels": 2, "firstDigitalChannel": 33, "pacing": "fast", "channels": {"*": {"main": ")" +
                                   path + R"("}}})";
        ASSERT_EQ(0, HikSim_AddDevice(device.c_str())) << HikSim_LastMessage();
    }
    static void TearDownTestSuite() {
        HikSim_Reset();
        OV::Fini();
    }
    static std::vector<std::string> startJournal_;
};

std::vector<std::string> HcnetbridgePluginTest::startJournal_;

}  // namespace

TEST_F(HcnetbridgePluginTest, LoadingStartsTheVendorLibraryOnce) {
    EXPECT_EQ(1, std::count(startJournal_.begin(), startJournal_.end(), "NET_DVR_Init() -> 1"));
    EXPECT_EQ(1, std::count(startJournal_.begin(), startJournal_.end(), "NET_DVR_SetAudioMode(2) -> 1"));
    OV::Fini();
    OV::Init();  // the plug-in stays loaded: no second start
    EXPECT_EQ(0, HikSim_CountCalls("NET_DVR_Init"));
}

TEST_F(HcnetbridgePluginTest, TheHikRecordHasItsSlots) {
    boost::shared_ptr<VideoDevSDK> sdk = GetVideoDevSDK("hik");
    ASSERT_TRUE(sdk);
    EXPECT_TRUE(sdk->GetLiveChan && sdk->GetLiveSubChan && sdk->GetLiveH264Chan && sdk->GetLiveH264SubChan);
    EXPECT_TRUE(sdk->EnumHostChan);
    EXPECT_FALSE(sdk->GetAlarmChan);
    EXPECT_FALSE(sdk->RealStream);
    EXPECT_FALSE(sdk->GetDB);
}

TEST_F(HcnetbridgePluginTest, EnumerationAndH264ThroughTheFacade) {
    OV::HostOpt host = {"hik", "127.0.0.1", "admin", "12345"};
    std::vector<std::string> ids;
    EXPECT_EQ(0, OV::EnumHostChan(&host, [&](OV::NodeInfo* n) { ids.push_back(n->id); }));
    EXPECT_EQ((std::vector<std::string>{"1", "2", "33", "34"}), ids);

    OV::ChanOpt opt = {"hik", "127.0.0.1:8000", "admin", "12345", "34"};
    boost::shared_ptr<OV::LiveChan> chan = OV::GetLiveH264Chan(&opt);
    ASSERT_TRUE(chan);
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int64_t> times;
    chan->SetCallback(
        [&](OV::StreamFrame* f) {
            std::lock_guard<std::mutex> lock(mutex);
            times.push_back(f->time);
            changed.notify_all();
        },
        OV::FrameCallback());
    ASSERT_EQ(0, chan->Start());
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(60), [&] { return times.size() >= 3; }));
    }
    chan.reset();
    EXPECT_EQ(0, times[0]);
    EXPECT_EQ(40, times[1]);
    EXPECT_THAT(hiksimtest::Journal(), Contains(HasSubstr("NET_DVR_RealPlay_V40(")));
    EXPECT_EQ(0, HikSim_ActivePlays());
    EXPECT_EQ(0, HikSim_ActiveLogins());
}

TEST_F(HcnetbridgePluginTest, FailuresReachTheHost) {
    OV::ChanOpt opt = {"hik", "127.0.0.1", "admin", "wrong", "1"};
    try {
        OV::GetLiveChan(&opt);
        FAIL() << "no exception";
    } catch (const OV::ovnexception& e) {
        EXPECT_EQ(-1, e.code());
        EXPECT_EQ('\t', e.message()[0]);
    }
    ASSERT_EQ(0, HikSim_FailNext("NET_DVR_Login_V30", 0));
    EXPECT_FALSE(OV::GetLiveSubChan(&opt));
    try {
        OV::GetAlarmChan(&opt);
        FAIL() << "no exception";
    } catch (const OV::ovnexception& e) {
        EXPECT_EQ(OV::OVN_NO_OPERATION, e.code());
    }
}
