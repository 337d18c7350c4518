#pragma once

// What the plug-in's tests share: a simulated recorder set up afresh for each
// test, the vendor journal as lines, and a frame callback that keeps copies.

#include <hcnetsdk/hcnet_sdk.h>
#include <hcnetsdk/hiksim_control.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <ov/contracts.h>

namespace hiktest {

// The journal lines of one vendor function.
std::vector<std::string> Calls(const std::string& function);

// A recorder `host` on `port` (user admin with `password`), 4 analog
// channels from 1 and 8 IP channels from 33, every channel sending the
// stream file as fast as it is taken.
std::string RecorderJson(const std::string& streamPath, int port, const std::string& password = "12345",
                         const std::string& host = "10.2.0.1");

struct Frame {
    int32_t kind;
    int64_t time;
    int32_t key;
    int32_t streamType;
    int32_t reserved1;
    int32_t reserved2;
    std::vector<uint8_t> bytes;
};

class FrameLog {
public:
    OV::FrameCallback callback();
    bool waitFor(std::size_t count);
    std::vector<Frame> frames();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Frame> frames_;
};

// Starts the vendor library once and gives each test a clean simulation with
// the recorder of RecorderJson on both ports, streaming `stream()`.
class SimTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The recorder's stream, made before each test.
    virtual std::vector<uint8_t> stream();
    std::string streamPath_;
};

}  // namespace hiktest
