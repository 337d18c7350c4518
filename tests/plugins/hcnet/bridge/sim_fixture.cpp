#include "sim_fixture.h"

#include <hiksimtest/hik_stream.h>
#include <hiksimtest/journal.h>

#include "hik_video_dev_sdk.h"

namespace hiktest {

std::vector<std::string> Calls(const std::string& function) {
    std::vector<std::string> lines;
    for (const std::string& line : hiksimtest::Journal()) {
        if (line.compare(0, function.size() + 1, function + "(") == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::string RecorderJson(const std::string& streamPath, int port, const std::string& password,
                         const std::string& host) {
    return R"({"host": ")" + host + R"(", "port": )" + std::to_string(port) + R"(, "users": {"admin": ")" + password +
           R"("},
        "analogChannels": 4, "firstAnalogChannel": 1, "ipChannels": 8, "firstDigitalChannel": 33,
        "pacing": "fast", "channels": {"*": {"main": ")" +
           streamPath + R"("}}})";
}

OV::FrameCallback FrameLog::callback() {
    return [this](OV::StreamFrame* f) {
        std::lock_guard<std::mutex> lock(mutex_);
        frames_.push_back(
            Frame{f->kind, f->time, f->key, f->streamType, f->reserved1, f->reserved2, {f->data, f->data + f->size}});
        changed_.notify_all();
    };
}

bool FrameLog::waitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(60), [&] { return frames_.size() >= count; });
}

std::vector<Frame> FrameLog::frames() {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_;
}

void SimTest::SetUp() {
    static hik::SdkUse sdk;
    ASSERT_EQ(0, HikSim_Reset());
    static int files = 0;
    streamPath_ = hiksimtest::WriteFile("stream" + std::to_string(++files) + ".ps", stream());
    ASSERT_EQ(0, HikSim_AddDevice(RecorderJson(streamPath_, 8000).c_str())) << HikSim_LastMessage();
    ASSERT_EQ(0, HikSim_AddDevice(RecorderJson(streamPath_, 8001).c_str())) << HikSim_LastMessage();
}

void SimTest::TearDown() {
    EXPECT_EQ(0, HikSim_ActivePlays()) << "a play outlived its channel";
    EXPECT_EQ(0, HikSim_ActiveLogins()) << "a login outlived its users";
    HikSim_Reset();
}

std::vector<uint8_t> SimTest::stream() {
    return hiksimtest::MakeHikStream(hiksimtest::FakeVideo(10));
}

}  // namespace hiktest
