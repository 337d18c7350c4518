#include "hik_live_chan.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <boost/make_shared.hpp>

#include <hiksimtest/hik_stream.h>
#include <ov/ovnexception.h>
#include <ov/text/gbk.h>

#include "hik_error_text.h"
#include "sim_fixture.h"

using hiksimtest::FakeAccessUnit;
using hiksimtest::PsFrame;
using hiktest::Calls;
using hiktest::Frame;
using hiktest::FrameLog;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

const int kFrames = 10;

// Ten video frames from 5000 ms, a key frame first, each followed by an audio pack.
std::vector<PsFrame> videoWithAudio() {
    std::vector<PsFrame> frames;
    for (int i = 0; i < kFrames; ++i) {
        PsFrame video{5000 + 40 * i, FakeAccessUnit(i == 0, i, 1500), i == 0};
        PsFrame audio{5000 + 40 * i + 20, std::vector<uint8_t>(320, 0xAA)};
        audio.streamId = 0xC0;
        frames.push_back(video);
        frames.push_back(audio);
    }
    return frames;
}

class HikLiveChanTest : public hiktest::SimTest {
protected:
    std::vector<uint8_t> stream() override { return hiksimtest::MakeHikStream(videoWithAudio()); }

    boost::shared_ptr<OV::LiveChan> open(int32_t slot, const char* chan = "1", const char* addr = "10.2.0.1") {
        OV::ChanOpt opt = {"hik", addr, "admin", "12345", chan};
        return hik::MakeLiveChan(&opt, slot % 2, slot < 2);
    }

    static int32_t handleOf(const boost::shared_ptr<OV::LiveChan>& chan) {
        return boost::static_pointer_cast<hik::HikLiveChan>(chan)->PlayHandle();
    }

    static void waitForBlocks(int32_t handle, int64_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (HikSim_DeliveredBlocks(handle) < count && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_GE(HikSim_DeliveredBlocks(handle), count);
    }

    // A second recorder on `port` whose channels send the given frames.
    void addRecorder(int port, const std::vector<PsFrame>& frames) {
        const std::string path =
            hiksimtest::WriteFile("recorder" + std::to_string(port) + ".ps", hiksimtest::MakeHikStream(frames));
        ASSERT_EQ(0, HikSim_AddDevice(hiktest::RecorderJson(path, port).c_str())) << HikSim_LastMessage();
    }
};

}  // namespace

TEST_F(HikLiveChanTest, PassThroughSendsTheHeaderOnceThenTheStreamWithTimesOfDay) {
    const std::vector<uint8_t> file = stream();
    const std::size_t body = file.size() - 40;
    FrameLog log;
    auto chan = open(0);
    ASSERT_TRUE(chan);
    EXPECT_TRUE(Calls("NET_DVR_RealPlay_V40").empty());  // nothing is opened before Start
    ASSERT_EQ(0, chan->SetCallback(log.callback(), OV::FrameCallback()));
    const int64_t before = hik::TimeOfDayMs();
    ASSERT_EQ(0, chan->Start());
    std::size_t bytes = 0;
    while (bytes < 2 * body && log.waitFor(log.frames().size() + 1)) {
        bytes = 0;
        for (const Frame& f : log.frames()) {
            bytes += f.kind == OV::FRAME_VENDOR_DATA ? f.bytes.size() : 0;
        }
    }
    chan.reset();
    const int64_t after = hik::TimeOfDayMs();

    const std::vector<Frame> frames = log.frames();
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(OV::FRAME_VENDOR_HEADER, frames[0].kind);
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 40), frames[0].bytes);
    std::vector<uint8_t> data;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Frame& f = frames[i];
        if (i > 0) {
            ASSERT_EQ(OV::FRAME_VENDOR_DATA, f.kind) << i;
            data.insert(data.end(), f.bytes.begin(), f.bytes.end());
        }
        EXPECT_EQ(1, f.key);
        EXPECT_EQ(OV::STREAM_HIK, f.streamType);
        EXPECT_EQ(0, f.reserved1);
        EXPECT_EQ(0, f.reserved2);
        if (after >= before) {  // not across midnight
            EXPECT_GE(f.time, before);
            EXPECT_LE(f.time, after);
        }
    }
    ASSERT_GE(data.size(), 2 * body) << "the stream stopped coming";
    EXPECT_TRUE(std::equal(file.begin() + 40, file.end(), data.begin()));
    EXPECT_TRUE(std::equal(file.begin() + 40, file.end(), data.begin() + std::ptrdiff_t(body)));
    EXPECT_THAT(Calls("NET_DVR_RealPlay_V40"),
                ElementsAre(HasSubstr("{channel 1, stream 0, link 0, window 0, blocked 1}, callback)")));
}

TEST_F(HikLiveChanTest, H264FramesStartAtZeroAndCarryTheAccessUnits) {
    FrameLog log;
    auto chan = open(2);
    ASSERT_TRUE(chan);
    ASSERT_EQ(0, chan->SetCallback(log.callback(), OV::FrameCallback()));
    ASSERT_EQ(0, chan->Start());
    ASSERT_TRUE(log.waitFor(2 * kFrames + 2));
    chan.reset();

    const std::vector<Frame> frames = log.frames();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Frame& f = frames[i];
        const int n = int(i % kFrames);
        ASSERT_EQ(OV::FRAME_H264, f.kind) << i;  // the audio packs give nothing
        EXPECT_EQ(FakeAccessUnit(n == 0, n, 1500), f.bytes) << i;
        // the stream starts over after 360 ms; the channel's time goes on by 40
        EXPECT_EQ(int64_t(40 * i), f.time) << i;
        EXPECT_EQ(n == 0 ? 1 : 0, f.key) << i;
        EXPECT_EQ(OV::STREAM_H264, f.streamType);
        EXPECT_EQ(0, f.reserved1);
        EXPECT_EQ(0, f.reserved2);
    }
}

TEST_F(HikLiveChanTest, StreamTimesSteppingBackContinueFortyMillisecondsOn) {
    std::vector<PsFrame> frames;
    for (int64_t t : {1000, 1040, 1080, 500, 540}) {
        frames.push_back(PsFrame{t, FakeAccessUnit(false, int(t), 100)});
    }
    addRecorder(8100, frames);
    FrameLog log;
    auto chan = open(3, "2", "10.2.0.1:8100");
    ASSERT_EQ(0, chan->SetCallback(log.callback(), OV::FrameCallback()));
    ASSERT_EQ(0, chan->Start());
    ASSERT_TRUE(log.waitFor(5));
    chan.reset();
    std::vector<int64_t> times;
    for (const Frame& f : log.frames()) {
        times.push_back(f.time);
    }
    times.resize(5);
    EXPECT_EQ((std::vector<int64_t>{0, 40, 80, 120, 160}), times);
    EXPECT_THAT(Calls("NET_DVR_RealPlay_V40"), ElementsAre(HasSubstr("{channel 2, stream 1,")));
}

TEST_F(HikLiveChanTest, StartFailures) {
    auto chan = open(0);
    ASSERT_EQ(0, chan->SetCallback(FrameLog().callback(), OV::FrameCallback()));

    ASSERT_EQ(0, HikSim_FailNext("NET_DVR_RealPlay_V40", 0));
    EXPECT_EQ(-1, chan->Start());
    EXPECT_EQ(-1, handleOf(chan));

    ASSERT_EQ(0, HikSim_FailNext("NET_DVR_RealPlay_V40", 24));
    try {
        chan->Start();
        FAIL() << "no exception";
    } catch (const OV::ovnexception& e) {
        EXPECT_EQ(-1, e.code());
        EXPECT_EQ("\t设备忙。\t", ovtext::gbkToUtf8(e.message()));
    }
    EXPECT_EQ(-1, handleOf(chan));

    auto missing = open(2, "99");
    ASSERT_TRUE(missing);
    try {
        missing->Start();
        FAIL() << "no exception";
    } catch (const OV::ovnexception& e) {
        EXPECT_STREQ(hik::HikErrorText(HC_ERR_CHANNEL), e.message());
    }

    // the channel stays idle and can be started again
    chan->SetCallback(OV::FrameCallback(), OV::FrameCallback());
    EXPECT_EQ(0, chan->Start());
    EXPECT_NE(-1, handleOf(chan));
}

TEST_F(HikLiveChanTest, ASecondStartKeepsTheRunningPlay) {
    for (int32_t slot : {0, 2}) {
        HikSim_ClearJournal();
        auto chan = open(slot);
        FrameLog log;
        chan->SetCallback(log.callback(), OV::FrameCallback());
        ASSERT_EQ(0, chan->Start());
        const int32_t handle = handleOf(chan);
        ASSERT_TRUE(log.waitFor(3));
        EXPECT_EQ(0, chan->Start());
        EXPECT_EQ(handle, handleOf(chan));
        EXPECT_EQ(1u, Calls("NET_DVR_RealPlay_V40").size());
        EXPECT_EQ(1, HikSim_ActivePlays());
        chan.reset();
        EXPECT_THAT(Calls("NET_DVR_StopRealPlay"),
                    ElementsAre("NET_DVR_StopRealPlay(" + std::to_string(handle) + ") -> 1"));
    }
}

TEST_F(HikLiveChanTest, ReleaseWhileTheVendorThreadDelivers) {
    for (int32_t slot : {0, 2}) {
        // the callback dawdles so the release meets it in the middle of a frame
        struct Shared {
            std::atomic<int> calls{0};
            std::atomic<bool> released{false};
            std::atomic<int> afterRelease{0};
        };
        auto shared = boost::make_shared<Shared>();
        const int64_t escaped = HikSim_EscapedExceptions();
        auto chan = open(slot);
        chan->SetCallback(
            [shared](OV::StreamFrame*) {
                ++shared->calls;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                if (shared->released) {
                    ++shared->afterRelease;
                }
            },
            OV::FrameCallback());
        ASSERT_EQ(0, chan->Start());
        while (shared->calls < 3) {
            std::this_thread::yield();
        }
        chan.reset();
        shared->released = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(0, shared->afterRelease.load()) << slot;
        EXPECT_EQ(0, HikSim_ActivePlays());
        EXPECT_EQ(0, HikSim_ActiveLogins());  // the channel held the last user of the login
        EXPECT_EQ(escaped, HikSim_EscapedExceptions());
    }
}

TEST_F(HikLiveChanTest, DataBeforeSetCallbackGoesNowhereQuietly) {
    for (int32_t slot : {0, 2}) {
        const int64_t escaped = HikSim_EscapedExceptions();
        auto chan = open(slot);
        ASSERT_EQ(0, chan->Start());
        waitForBlocks(handleOf(chan), 40);
        EXPECT_EQ(escaped, HikSim_EscapedExceptions());

        FrameLog log;
        chan->SetCallback(log.callback(), OV::FrameCallback());
        ASSERT_TRUE(log.waitFor(3));
        chan.reset();
        const std::vector<Frame> frames = log.frames();
        if (slot == 0) {
            EXPECT_EQ(OV::FRAME_VENDOR_DATA, frames[0].kind);  // the header went by unseen
        } else {
            EXPECT_EQ(OV::FRAME_H264, frames[0].kind);
            EXPECT_EQ(0, frames[0].time);
            EXPECT_EQ(40, frames[1].time);
        }
    }
}

TEST_F(HikLiveChanTest, SetCallbackFromInsideTheCallbackIsRefused) {
    for (int32_t slot : {0, 2}) {
        auto chan = open(slot);
        OV::LiveChan* raw = chan.get();
        FrameLog log;
        OV::FrameCallback logged = log.callback();
        std::atomic<int> refused{0};
        chan->SetCallback(
            [&, raw](OV::StreamFrame* f) {
                logged(f);
                if (raw->SetCallback(OV::FrameCallback(), OV::FrameCallback()) == -1) {
                    ++refused;
                }
            },
            OV::FrameCallback());
        ASSERT_EQ(0, chan->Start());
        ASSERT_TRUE(log.waitFor(5));  // still the first callback
        chan.reset();
        EXPECT_GE(refused.load(), 5);
    }
}

TEST_F(HikLiveChanTest, ChannelsShareTheLoginAndMakeKeyFramesAlike) {
    auto main = open(0, "33");
    auto sub = open(3, "33");
    ASSERT_TRUE(main && sub);
    EXPECT_EQ(1u, Calls("NET_DVR_Login_V30").size());
    EXPECT_EQ(0, main->MakeKeyFrame());
    EXPECT_EQ(0, sub->MakeKeyFrame());
    const std::vector<std::string> calls = Calls("NET_DVR_MakeKeyFrame");
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(calls[0], calls[1]);
    EXPECT_THAT(calls[0], HasSubstr(", 33) -> 1"));
    EXPECT_EQ(0, open(1, "7")->MakeKeyFrame());  // the device's refusal is not reported
    main.reset();
    EXPECT_TRUE(Calls("NET_DVR_Logout").empty());
    sub.reset();
    EXPECT_EQ(1u, Calls("NET_DVR_Logout").size());
}

TEST_F(HikLiveChanTest, LoginFailuresOfTheSlots) {
    ASSERT_EQ(0, HikSim_FailNext("NET_DVR_Login_V30", 0));
    EXPECT_FALSE(open(2));
    EXPECT_THROW(open(2, "1", "10.2.0.9"), OV::ovnexception);
    EXPECT_FALSE(hik::MakeLiveChan(nullptr, 0, true));
}
