// Runs against a copy of libdevcore.so whose plug-in folder holds only
// localbridge.ovn, so the device layer knows exactly the "file" type.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <ov/devcore.h>

#include "frame_collector.h"

namespace {

const std::string kClip = OV_TEST_DATA_DIR "/clip.mp4";

template <class Fn>
void expectCode(Fn fn, int32_t code) {
    try {
        fn();
        ADD_FAILURE() << "no ovnexception, expected " << code;
    } catch (const OV::ovnexception& e) {
        EXPECT_EQ(e.code(), code) << e.message();
    }
}

class LocalBridgeTest : public testing::Test {
protected:
    void SetUp() override { OV::Init(); }
    void TearDown() override { OV::Fini(); }

    OV::ChanOpt chan(const char* path) { return {"file", "", "", "", path}; }
};

TEST_F(LocalBridgeTest, RegistersTheFileTypeWithItsLiveDecoder) {
    EXPECT_EQ(GetVideoDevSDKTypes(), (std::vector<std::string>{"file"}));
    boost::shared_ptr<VideoDevSDK> sdk = GetVideoDevSDK("file");
    EXPECT_TRUE(OV::GetLivePlayDec(OV::STREAM_H264));
    // other stream types are not this plug-in's: it answers with nothing
    EXPECT_FALSE(sdk->GetLivePlayDec(OV::STREAM_HIK));
    EXPECT_FALSE(sdk->GetLivePlayDec(OV::STREAM_DAHUA));
    expectCode([] { OV::GetLivePlayDec(OV::STREAM_HIK); }, OV::OVN_NO_DECODER);
    // and no playback decoder at all
    expectCode([] { OV::GetRcdPlayDec(OV::STREAM_H264); }, OV::OVN_NO_DECODER);
}

TEST_F(LocalBridgeTest, EveryLiveSlotPlaysTheFileAndAMissingFileGivesNoChannel) {
    typedef boost::shared_ptr<OV::LiveChan> (*Open)(OV::ChanOpt*);
    const Open slots[] = {OV::GetLiveChan, OV::GetLiveSubChan, OV::GetLiveH264Chan, OV::GetLiveH264SubChan};
    for (Open open : slots) {
        OV::ChanOpt missing = chan("/nonexistent/clip.mp4");
        EXPECT_FALSE(open(&missing));

        OV::ChanOpt opt = chan(kClip.c_str());
        boost::shared_ptr<OV::LiveChan> channel = open(&opt);
        ASSERT_TRUE(channel);
        localtest::FrameCollector collector;
        EXPECT_EQ(channel->SetCallback(collector.callback(), OV::FrameCallback()), 0);
        EXPECT_EQ(channel->Start(), 0);
        EXPECT_EQ(channel->MakeKeyFrame(), 0);
        ASSERT_TRUE(collector.waitFor(2));
        channel.reset();
        const std::vector<localtest::Delivered> frames = collector.frames();
        EXPECT_EQ(frames[0].kind, OV::FRAME_H264);
        EXPECT_EQ(frames[0].streamType, OV::STREAM_H264);
        EXPECT_EQ(frames[0].key, 1);
        EXPECT_EQ(frames[0].time, 0);
        EXPECT_EQ(frames[1].time, 40);
    }
}

TEST_F(LocalBridgeTest, FilesHaveNoPtzRecordsOrOtherOperations) {
    OV::ChanOpt opt = chan(kClip.c_str());
    expectCode([&] { OV::GetPtzChan(&opt); }, OV::OVN_NO_OPERATION);
    expectCode([&] { OV::GetAlarmChan(&opt); }, OV::OVN_NO_OPERATION);
    OV::QueryRcdOpt query{};
    static_cast<OV::ChanOpt&>(query) = opt;
    query.callback = [](OV::RcdInfo*) {};
    expectCode([&] { OV::QueryRcd(&query); }, OV::OVN_NO_OPERATION);
    OV::RcdChanOpt rcd{};
    static_cast<OV::ChanOpt&>(rcd) = opt;
    expectCode([&] { OV::GetRcdChan(&rcd); }, OV::OVN_NO_OPERATION);
    OV::HostOpt host = {"file", "", "", ""};
    expectCode([&] { OV::EnumHostChan(&host, [](OV::NodeInfo*) {}); }, OV::OVN_NO_OPERATION);
    // the server-style slots stay empty as well
    boost::shared_ptr<VideoDevSDK> sdk = GetVideoDevSDK("file");
    EXPECT_TRUE(sdk->RealPlay.empty());
    EXPECT_TRUE(sdk->PlayFile.empty());
    EXPECT_TRUE(sdk->GetRcdPlayDec.empty());
}

}  // namespace
