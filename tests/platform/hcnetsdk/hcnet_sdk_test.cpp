// The vendor interface as the plug-in sees it, driven through the test control.
#include <hcnetsdk/hcnet_sdk.h>
#include <hcnetsdk/hiksim_control.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <hiksimtest/hik_stream.h>
#include <hiksimtest/journal.h>

using testing::ElementsAre;
using testing::HasSubstr;

namespace {

// Blocks a play delivered, counted per data type.
struct Sink {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<uint32_t> types;
    std::vector<uint8_t> bytes;
    std::atomic<bool> closed{false};
    std::atomic<int> afterClose{0};

    static void callback(int32_t, uint32_t type, uint8_t* data, uint32_t size, void* user) {
        Sink* self = static_cast<Sink*>(user);
        if (self->closed) {
            ++self->afterClose;
        }
        std::lock_guard<std::mutex> lock(self->mutex);
        self->types.push_back(type);
        if (type == HC_DATA_STREAM) {
            self->bytes.insert(self->bytes.end(), data, data + size);
        }
        self->changed.notify_all();
    }

    bool waitForBytes(std::size_t n) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(60), [&] { return bytes.size() >= n; });
    }
};

class HcNetSdkTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        mainStream_ = hiksimtest::MakeHikStream(hiksimtest::FakeVideo(20));
        subStream_ = hiksimtest::MakeHikStream(hiksimtest::FakeVideo(20, 5000, 25, 100));
        mainPath_ = hiksimtest::WriteFile("main.ps", mainStream_);
        subPath_ = hiksimtest::WriteFile("sub.ps", subStream_);
    }

    void SetUp() override {
        ASSERT_EQ(1, NET_DVR_Init());
        ASSERT_EQ(0, HikSim_Reset());
        ASSERT_EQ(0, HikSim_AddDevice(deviceJson("10.1.1.2", 8000, "fast").c_str())) << HikSim_LastMessage();
    }

    void TearDown() override { HikSim_Reset(); }

    static std::string deviceJson(const std::string& host, int port, const std::string& pacing) {
        return R"({"host": ")" + host + R"(", "port": )" + std::to_string(port) +
               R"(, "users": {"admin": "12345", "guest": ""},
                 "serialNumber": "DS-SIM-0001",
                 "analogChannels": 4, "firstAnalogChannel": 1,
                 "ipChannels": 300, "firstDigitalChannel": 33, "firstTalkChannel": 2,
                 "pacing": ")" +
               pacing + R"(",
                 "channels": {"*": {"main": ")" +
               mainPath_ + R"("},
                              "33": {"main": ")" +
               mainPath_ + R"(", "sub": ")" + subPath_ + R"("}}})";
    }

    static int32_t login(const char* user = "admin", const char* password = "12345") {
        HcDeviceInfo info;
        return NET_DVR_Login_V30("10.1.1.2", 8000, user, password, &info);
    }

    static HcPreviewInfo preview(int32_t channel, uint32_t stream = 0) {
        HcPreviewInfo p;
        std::memset(&p, 0, sizeof p);
        p.channel = channel;
        p.streamType = stream;
        p.blocked = 1;
        return p;
    }

    static std::vector<uint8_t> mainStream_, subStream_;
    static std::string mainPath_, subPath_;
};

std::vector<uint8_t> HcNetSdkTest::mainStream_, HcNetSdkTest::subStream_;
std::string HcNetSdkTest::mainPath_, HcNetSdkTest::subPath_;

}  // namespace

TEST_F(HcNetSdkTest, LoginDescribesTheRecorder) {
    HcDeviceInfo info;
    std::memset(&info, 0xAA, sizeof info);
    const int32_t user = NET_DVR_Login_V30("10.1.1.2", 8000, "admin", "12345", &info);
    ASSERT_GE(user, 0);
    EXPECT_EQ(0u, NET_DVR_GetLastError());
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(&info);
    EXPECT_EQ(4, raw[52]);
    EXPECT_EQ(1, raw[53]);
    EXPECT_EQ(300 & 0xFF, raw[55]);
    EXPECT_EQ(2, raw[67]);
    EXPECT_EQ(300 >> 8, raw[68]);
    EXPECT_STREQ("DS-SIM-0001", reinterpret_cast<const char*>(info.serialNumber));

    std::vector<uint8_t> config(HC_IPCHAN_CONFIG_SIZE, 0);
    uint32_t returned = 0;
    ASSERT_EQ(1,
              NET_DVR_GetDVRConfig(user, HC_GET_IPCHAN_CONFIG, 0, config.data(), uint32_t(config.size()), &returned));
    int32_t first = 0;
    std::memcpy(&first, &config[16], 4);
    EXPECT_EQ(33, first);
    EXPECT_EQ(uint32_t(HC_IPCHAN_CONFIG_SIZE), returned);

    EXPECT_EQ(0, NET_DVR_GetDVRConfig(user, HC_GET_IPCHAN_CONFIG, 0, config.data(), 100, &returned));
    EXPECT_EQ(uint32_t(HC_ERR_BUFFER_TOO_SMALL), NET_DVR_GetLastError());
    EXPECT_EQ(0, NET_DVR_GetDVRConfig(user, 1004, 1, config.data(), uint32_t(config.size()), &returned));
    EXPECT_EQ(uint32_t(HC_ERR_NOT_SUPPORTED), NET_DVR_GetLastError());

    EXPECT_EQ(1, HikSim_ActiveLogins());
    EXPECT_EQ(1, NET_DVR_Logout(user));
    EXPECT_EQ(0, HikSim_ActiveLogins());
    EXPECT_EQ(0, NET_DVR_Logout(user));
    EXPECT_EQ(uint32_t(HC_ERR_NO_SUCH_USER_ID), NET_DVR_GetLastError());
}

TEST_F(HcNetSdkTest, LoginFailuresReportTheirCode) {
    struct Case {
        const char* host;
        uint16_t port;
        const char* user;
        const char* password;
        uint32_t error;
    } cases[] = {
        {"10.1.1.2", 8000, "admin", "wrong", HC_ERR_PASSWORD}, {"10.1.1.2", 8000, "nobody", "", HC_ERR_PASSWORD},
        {"10.1.1.3", 8000, "admin", "12345", HC_ERR_CONNECT},  {"10.1.1.2", 8001, "admin", "12345", HC_ERR_CONNECT},
        {nullptr, 8000, "admin", "12345", HC_ERR_PARAMETER},
    };
    for (const Case& c : cases) {
        HcDeviceInfo info;
        EXPECT_EQ(-1, NET_DVR_Login_V30(c.host, c.port, c.user, c.password, &info));
        EXPECT_EQ(c.error, NET_DVR_GetLastError()) << (c.host ? c.host : "null") << " " << c.user;
    }
    EXPECT_GE(login("guest", ""), 0);
}

TEST_F(HcNetSdkTest, InjectedFailuresComeOnceEachInOrder) {
    ASSERT_EQ(0, HikSim_FailNext("NET_DVR_Login_V30", 0));
    ASSERT_EQ(0, HikSim_FailNext("NET_DVR_Login_V30", 52));
    EXPECT_EQ(-1, login());
    EXPECT_EQ(0u, NET_DVR_GetLastError());
    EXPECT_EQ(-1, login());
    EXPECT_EQ(52u, NET_DVR_GetLastError());
    EXPECT_GE(login(), 0);

    EXPECT_EQ(-1, HikSim_FailNext("Login", 1));
    EXPECT_THAT(HikSim_LastMessage(), HasSubstr("vendor function"));
    ASSERT_EQ(0, HikSim_FailNext("NET_DVR_Login_V30", 7));
    HikSim_ClearFaults();
    EXPECT_GE(login(), 0);
}

TEST_F(HcNetSdkTest, LastErrorBelongsToTheCallingThread) {
    EXPECT_EQ(-1, login("admin", "wrong"));
    std::thread other([] {
        EXPECT_GE(login(), 0);
        EXPECT_EQ(0u, NET_DVR_GetLastError());
    });
    other.join();
    EXPECT_EQ(uint32_t(HC_ERR_PASSWORD), NET_DVR_GetLastError());
}

TEST_F(HcNetSdkTest, JournalRecordsCallsWithArgumentsAndResults) {
    HikSim_ClearJournal();
    const int32_t user = login();
    EXPECT_EQ(-1, login("admin", "bad"));
    EXPECT_EQ(1, NET_DVR_MakeKeyFrame(user, 2));
    EXPECT_EQ(0, NET_DVR_MakeKeyFrame(user, 5));
    const HcPreviewInfo p = preview(2, 1);
    const int32_t handle = NET_DVR_RealPlay_V40(user, &p, nullptr, nullptr);
    EXPECT_THAT(
        hiksimtest::Journal(),
        ElementsAre("NET_DVR_Login_V30(\"10.1.1.2\", 8000, \"admin\", \"12345\") -> " + std::to_string(user),
                    "NET_DVR_Login_V30(\"10.1.1.2\", 8000, \"admin\", \"bad\") -> -1 (error 1)",
                    "NET_DVR_MakeKeyFrame(" + std::to_string(user) + ", 2) -> 1",
                    "NET_DVR_MakeKeyFrame(" + std::to_string(user) + ", 5) -> 0 (error 4)",
                    "NET_DVR_RealPlay_V40(" + std::to_string(user) +
                        ", {channel 2, stream 1, link 0, window 0, blocked 1}, NULL) -> " + std::to_string(handle)));
    EXPECT_EQ(2, HikSim_CountCalls("NET_DVR_Login_V30"));
    EXPECT_EQ(0, HikSim_CountCalls("NET_DVR_Login"));

    char tiny[4] = "xyz";
    EXPECT_GT(HikSim_JournalEntry(0, tiny, sizeof tiny), 4);
    EXPECT_STREQ("xyz", tiny);
    EXPECT_EQ(-1, HikSim_JournalEntry(99, tiny, sizeof tiny));
    HikSim_ClearJournal();
    EXPECT_EQ(0, HikSim_JournalCount());
}

TEST_F(HcNetSdkTest, NothingWorksBeforeInitOrAfterCleanup) {
    ASSERT_EQ(1, NET_DVR_Cleanup());
    EXPECT_EQ(-1, login());
    EXPECT_EQ(uint32_t(HC_ERR_NOT_INITIALISED), NET_DVR_GetLastError());
    ASSERT_EQ(1, NET_DVR_Init());
    EXPECT_GE(login(), 0);
}

TEST_F(HcNetSdkTest, LivePlaySendsHeaderThenTheStreamUntilStopped) {
    const int32_t user = login();
    Sink sink;
    const HcPreviewInfo p = preview(3);
    const int32_t handle = NET_DVR_RealPlay_V40(user, &p, &Sink::callback, &sink);
    ASSERT_GE(handle, 0);
    EXPECT_EQ(1, HikSim_ActivePlays());
    const std::size_t body = mainStream_.size() - 40;
    ASSERT_TRUE(sink.waitForBytes(2 * body));
    EXPECT_EQ(1, NET_DVR_StopRealPlay(handle));
    sink.closed = true;
    const std::size_t calls = sink.types.size();

    EXPECT_EQ(0, sink.afterClose.load());
    EXPECT_EQ(calls, sink.types.size());
    EXPECT_EQ(uint32_t(HC_DATA_STREAM_HEADER), sink.types[0]);
    EXPECT_EQ(1, std::count(sink.types.begin(), sink.types.end(), uint32_t(HC_DATA_STREAM_HEADER)));
    EXPECT_TRUE(std::equal(mainStream_.begin() + 40, mainStream_.end(), sink.bytes.begin()));
    EXPECT_TRUE(std::equal(mainStream_.begin() + 40, mainStream_.end(), sink.bytes.begin() + std::ptrdiff_t(body)));
    EXPECT_EQ(0, HikSim_ActivePlays());
    EXPECT_EQ(-1, HikSim_DeliveredBlocks(handle));
    EXPECT_EQ(0, NET_DVR_StopRealPlay(handle));
    EXPECT_EQ(uint32_t(HC_ERR_PARAMETER), NET_DVR_GetLastError());
}

TEST_F(HcNetSdkTest, SubStreamOfAChannelThatHasOne) {
    const int32_t user = login();
    Sink sink;
    const HcPreviewInfo p = preview(33, 1);
    const int32_t handle = NET_DVR_RealPlay_V40(user, &p, &Sink::callback, &sink);
    ASSERT_GE(handle, 0);
    ASSERT_TRUE(sink.waitForBytes(subStream_.size() - 40));
    NET_DVR_StopRealPlay(handle);
    EXPECT_TRUE(std::equal(subStream_.begin() + 40, subStream_.end(), sink.bytes.begin()));
}

TEST_F(HcNetSdkTest, LivePlayRefusals) {
    const int32_t user = login();
    struct Case {
        int32_t user;
        int32_t channel;
        uint32_t stream;
        uint32_t error;
    } cases[] = {
        {user, 5, 0, HC_ERR_CHANNEL},
        {user, 0, 0, HC_ERR_CHANNEL},
        {user, 333, 0, HC_ERR_CHANNEL},
        {user, 1, 2, HC_ERR_PARAMETER},
        {user + 100, 1, 0, HC_ERR_NO_SUCH_USER_ID},
    };
    for (const Case& c : cases) {
        const HcPreviewInfo p = preview(c.channel, c.stream);
        EXPECT_EQ(-1, NET_DVR_RealPlay_V40(c.user, &p, &Sink::callback, nullptr));
        EXPECT_EQ(c.error, NET_DVR_GetLastError()) << c.channel;
    }
    EXPECT_EQ(-1, NET_DVR_RealPlay_V40(user, nullptr, &Sink::callback, nullptr));
    EXPECT_EQ(0, HikSim_ActivePlays());
}

TEST_F(HcNetSdkTest, LogoutEndsTheUsersPlays) {
    const int32_t user = login();
    const int32_t other = login();
    Sink a, b;
    const HcPreviewInfo p = preview(1);
    ASSERT_GE(NET_DVR_RealPlay_V40(user, &p, &Sink::callback, &a), 0);
    const int32_t kept = NET_DVR_RealPlay_V40(other, &p, &Sink::callback, &b);
    ASSERT_GE(kept, 0);
    ASSERT_TRUE(a.waitForBytes(1));
    ASSERT_EQ(1, NET_DVR_Logout(user));
    a.closed = true;
    EXPECT_EQ(1, HikSim_ActivePlays());
    EXPECT_TRUE(b.waitForBytes(mainStream_.size()));  // the other user's play goes on
    EXPECT_EQ(0, a.afterClose.load());
    NET_DVR_StopRealPlay(kept);
}

TEST_F(HcNetSdkTest, DevicesComeAndGo) {
    EXPECT_EQ(0, HikSim_RemoveDevice("10.1.1.2", 8000));
    EXPECT_EQ(-1, login());
    EXPECT_EQ(uint32_t(HC_ERR_CONNECT), NET_DVR_GetLastError());
    EXPECT_EQ(-1, HikSim_RemoveDevice("10.1.1.2", 8000));

    // a device added again replaces the one of its address
    ASSERT_EQ(0, HikSim_AddDevice(R"({"host": "10.1.1.2", "users": {"op": "x"}})"));
    EXPECT_EQ(-1, login());
    HcDeviceInfo info;
    EXPECT_GE(NET_DVR_Login_V30("10.1.1.2", 8000, "op", "x", &info), 0);
    EXPECT_EQ(0, info.analogChanCount);
}

TEST_F(HcNetSdkTest, BadDeviceDescriptionsSayWhy) {
    const std::string stream = mainPath_;
    const struct {
        std::string json;
        const char* why;
    } cases[] = {
        {"{", "invalid JSON"},
        {R"({"users": {"a": "b"}})", "\"host\""},
        {R"({"host": "h", "users": {}})", "\"users\""},
        {R"({"host": "h", "port": 70000, "users": {"a": "b"}})", "\"port\""},
        {R"({"host": "h", "users": {"a": "b"}, "pacing": "slow"})", "\"pacing\""},
        {R"({"host": "h", "users": {"a": "b"}, "channels": {"1": {"main": ")" + stream + R"("}}})", "outside"},
        {R"({"host": "h", "users": {"a": "b"}, "analogChannels": 1, "channels": {"1": {}}})", "\"main\""},
        {R"({"host": "h", "users": {"a": "b"}, "channels": {"*": {"main": "/no/such.ps"}}})", "/no/such.ps"},
        {R"({"host": "h", "users": {"a": "b"}, "channels": {"x": {"main": "a.ps"}}})", "\"x\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(-1, HikSim_AddDevice(c.json.c_str())) << c.json;
        EXPECT_THAT(HikSim_LastMessage(), HasSubstr(c.why)) << c.json;
    }
}

TEST_F(HcNetSdkTest, LoadFileTakesStreamsBesideIt) {
    hiksimtest::WriteFile("beside.ps", mainStream_);
    const std::string json = R"({"devices": [
        // comments are allowed
        {"host": "cam-a", "users": {"admin": "1"}, "analogChannels": 1, "channels": {"1": {"main": "beside.ps"}}},
        {"host": "cam-b", "port": 9000, "users": {"admin": "2"}}
    ]})";
    const std::string path = hiksimtest::WriteFile("devices.json", std::vector<uint8_t>(json.begin(), json.end()));
    EXPECT_EQ(2, HikSim_LoadFile(path.c_str())) << HikSim_LastMessage();
    HcDeviceInfo info;
    const int32_t user = NET_DVR_Login_V30("cam-a", 8000, "admin", "1", &info);
    EXPECT_GE(user, 0);
    EXPECT_GE(NET_DVR_Login_V30("cam-b", 9000, "admin", "2", &info), 0);
    const HcPreviewInfo p = preview(1);
    EXPECT_GE(NET_DVR_RealPlay_V40(user, &p, nullptr, nullptr), 0);

    EXPECT_EQ(-1, HikSim_LoadFile((hiksimtest::TempDir() + "/none.json").c_str()));
    EXPECT_THAT(HikSim_LastMessage(), HasSubstr("none.json"));
}

TEST_F(HcNetSdkTest, ExceptionsLeavingACallbackAreCounted) {
    const int64_t before = HikSim_EscapedExceptions();
    struct Thrower {
        static void callback(int32_t, uint32_t, uint8_t*, uint32_t, void*) { throw 1; }
    };
    const int32_t user = login();
    const HcPreviewInfo p = preview(1);
    const int32_t handle = NET_DVR_RealPlay_V40(user, &p, &Thrower::callback, nullptr);
    while (HikSim_DeliveredBlocks(handle) < 3) {
        std::this_thread::yield();
    }
    NET_DVR_StopRealPlay(handle);
    EXPECT_GE(HikSim_EscapedExceptions(), before + 3);
}
