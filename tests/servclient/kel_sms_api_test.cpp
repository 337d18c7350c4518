// The exported interface, through libservclient.so, against the simulated
// server. The library is started once for the suite; the first test holds the
// first handles of the process.

#include <ov/servclient.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include <ov/facade.h>

#include "bson_fields.h"
#include "sim_server.h"

namespace {

using smssim::AnswerScript;
using smssim::SimRecord;
using smssim::SimServer;

// Defined first, so it runs before the suite below starts the library.
TEST(KelSmsApiUnstarted, EveryCallFailsBeforeInit) {
    KelSmsLoginOpt opt{"127.0.0.1", "admin", "12345"};
    int32_t handle = 0;
    OvSmsDBInfo info;
    OvSmsFindData data;
    EXPECT_EQ(KelSms_Login(&opt, &handle), -1);
    EXPECT_EQ(KelSms_GetDB(1, &info), -1);
    EXPECT_EQ(KelSms_Find_Next(1, &data), -1);
    EXPECT_EQ(KelSms_CloseHandle(1), -1);
    EXPECT_EQ(KelSms_Cleanup(), -1);
}

class KelSmsApi : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(KelSms_Init(1, 0, 0), 0); }
    static void TearDownTestSuite() { EXPECT_EQ(KelSms_Cleanup(), 0); }

    void SetUp() override {
        sim.update([](smssim::SimConfig& c) {
            c.records = {
                SimRecord{"2026-01-02 03:04:05", "2026-01-02 04:00:00", 100, false},
                SimRecord{"2026-01-03 00:00:00", "2026-01-03 01:00:00", 200, false},
                SimRecord{"2026-01-04 00:00:00", "2026-01-04 01:00:00", 300, false},
            };
        });
        sim.start();
        address = sim.address();
    }

    int32_t login() {
        KelSmsLoginOpt opt{address.c_str(), "admin", "12345"};
        int32_t handle = 0;
        EXPECT_EQ(KelSms_Login(&opt, &handle), 0);
        return handle;
    }

    KelSmsFindByIdOpt findById(int32_t login) {
        return KelSmsFindByIdOpt{login, "chan-1", 2026, 1, 2, 0, 0, 0, 2026, 1, 3, 0, 0, 0};
    }

    SimServer sim;
    std::string address;
};

TEST_F(KelSmsApi, HandlesAreNumberedFromOneAndChecked) {
    const int32_t loginHandle = login();
    EXPECT_EQ(loginHandle, 1);
    KelSmsFindByIdOpt opt = findById(loginHandle);
    int32_t search = 0;
    ASSERT_EQ(KelSms_Find_Rcd_ByID(&opt, &search), 0);
    EXPECT_EQ(search, 2);

    OvSmsFindData data{};
    OvSmsDBInfo info;
    EXPECT_EQ(KelSms_Find_Next(loginHandle, &data), -1);
    EXPECT_EQ(KelSms_GetDB(search, &info), -1);
    EXPECT_EQ(KelSms_Logout(search), -1);
    EXPECT_EQ(KelSms_Find_Close(loginHandle), -1);
    KelSmsPtzByIdOpt ptz{search, "chan-1", 1, 2};
    EXPECT_EQ(KelSms_PTZCtrol_ByID(&ptz), -1);
    EXPECT_EQ(KelSms_Find_Next(search, &data), 0);  // wrong kinds changed nothing

    EXPECT_EQ(KelSms_CloseHandle(search), 0);
    EXPECT_EQ(KelSms_CloseHandle(search), -1);
    EXPECT_EQ(KelSms_Find_Next(search, &data), -1);
    EXPECT_EQ(KelSms_Logout(loginHandle), 0);
    EXPECT_EQ(KelSms_Logout(loginHandle), -1);
    EXPECT_EQ(KelSms_CloseHandle(12345), -1);
    // never reused
    EXPECT_EQ(login(), 3);
}

TEST_F(KelSmsApi, LoginFailures) {
    int32_t handle = -7;
    KelSmsLoginOpt byName{"localhost", "admin", "12345"};
    EXPECT_EQ(KelSms_Login(&byName, &handle), -1);
    KelSmsLoginOpt wrong{address.c_str(), "admin", "nope"};
    EXPECT_EQ(KelSms_Login(&wrong, &handle), 1);
    sim.refuseLogin(7);
    KelSmsLoginOpt good{address.c_str(), "admin", "12345"};
    EXPECT_EQ(KelSms_Login(&good, &handle), 7);
    EXPECT_EQ(handle, -7);  // written only on success
    KelSmsLoginOpt empty{nullptr, nullptr, nullptr};
    EXPECT_EQ(KelSms_Login(&empty, &handle), -1);
    EXPECT_EQ(KelSms_Login(nullptr, &handle), -1);
    EXPECT_EQ(KelSms_Login(&good, nullptr), -1);
}

TEST_F(KelSmsApi, DatabaseInformation) {
    const int32_t h = login();
    OvSmsDBInfo info;
    EXPECT_EQ(KelSms_GetDB(h, nullptr), -1);
    EXPECT_TRUE(sim.requestsOf(9).empty());  // refused without asking the server

    const std::string longAddr(600, 'a');
    const std::string longName(300, 'n');
    sim.update([&](smssim::SimConfig& c) {
        c.db.addr = longAddr;
        c.db.name = longName;
        c.db.port = "1433";
    });
    std::memset(&info, 0x7f, sizeof info);
    ASSERT_EQ(KelSms_GetDB(h, &info), 0);
    EXPECT_EQ(std::strlen(info.addr), sizeof info.addr - 1);  // cut to the field and terminated
    EXPECT_EQ(info.port, 1433);                               // the field after it is intact
    EXPECT_EQ(std::strlen(info.dbname), sizeof info.dbname - 1);
    EXPECT_STREQ(info.user, "sa");
    EXPECT_STREQ(info.passw, "secret");

    sim.update([](smssim::SimConfig& c) {
        c.db.port = "1433";
        c.db.portAsInt32 = true;
    });
    ASSERT_EQ(KelSms_GetDB(h, &info), 0);
    EXPECT_EQ(info.port, 0);  // only text counts

    const struct {
        const char* what;
        AnswerScript script;
        int32_t expected;
    } cases[] = {
        {"refused with 3",
         [] {
             AnswerScript a;
             a.retcodeSet = true;
             a.retcode = 3;
             return a;
         }(),
         3},
        {"retcode missing",
         [] {
             AnswerScript a;
             a.fault = smssim::RetcodeFault::Missing;
             return a;
         }(),
         -1},
        {"retcode as text",
         [] {
             AnswerScript a;
             a.fault = smssim::RetcodeFault::WrongType;
             return a;
         }(),
         -1},
    };
    for (const auto& c : cases) {
        sim.setAnswer(9, c.script);
        std::memset(&info, 0x11, sizeof info);
        EXPECT_EQ(KelSms_GetDB(h, &info), c.expected) << c.what;
        EXPECT_EQ(info.port, 0x1111) << c.what << ": written on failure";
    }
}

TEST_F(KelSmsApi, RecordSearch) {
    const int32_t h = login();
    KelSmsFindOpt byDevice{h, "hik", "10.0.0.9", "admin", "", "1", 2026, 1, 2, 0, 0, 0, 2026, 1, 3, 23, 59, 59};
    int32_t search = 0;
    ASSERT_EQ(KelSms_Find_Rcd(&byDevice, &search), 0);
    const auto sent = sim.requestsOf(10);
    ASSERT_EQ(sent.size(), 1u);
    const bson_t* doc = sent[0].doc->get();
    EXPECT_EQ(sms::textOf(doc, "devaddr"), "10.0.0.9@admin:");
    EXPECT_EQ(sms::textOf(doc, "st"), "2026-01-02 00:00:00");
    EXPECT_EQ(sms::textOf(doc, "et"), "2026-01-03 23:59:59");
    EXPECT_EQ(sms::textOf(doc, "devtype"), "hik");
    EXPECT_EQ(sms::textOf(doc, "chnlname"), "1");

    OvSmsFindData d{};
    ASSERT_EQ(KelSms_Find_Next(search, &d), 0);
    EXPECT_EQ(d.startYear, 2026);
    EXPECT_EQ(d.startMonth, 1);
    EXPECT_EQ(d.startDay, 2);
    EXPECT_EQ(d.startHour, 3);
    EXPECT_EQ(d.startMinute, 4);
    EXPECT_EQ(d.startSecond, 5);
    EXPECT_EQ(d.endHour, 4);
    EXPECT_EQ(d.size, 100);
    ASSERT_EQ(KelSms_Find_Next(search, &d), 0);
    ASSERT_EQ(KelSms_Find_Next(search, &d), 0);
    EXPECT_EQ(d.size, 300);
    EXPECT_EQ(KelSms_Find_Next(search, &d), -1);
    EXPECT_EQ(KelSms_Find_Next(search, &d), -1);
    EXPECT_EQ(KelSms_Find_Close(search), 0);
    EXPECT_EQ(KelSms_Find_Close(search), -1);

    // an int32 "size" ends the list after the first entry
    sim.update([](smssim::SimConfig& c) { c.records[1].sizeAsInt32 = true; });
    KelSmsFindByIdOpt byId = findById(h);
    ASSERT_EQ(KelSms_Find_Rcd_ByID(&byId, &search), 0);
    EXPECT_EQ(sms::textOf(sim.requestsOf(11).at(0).doc->get(), "chnlid"), "chan-1");
    EXPECT_EQ(KelSms_Find_Next(search, &d), 0);
    EXPECT_EQ(KelSms_Find_Next(search, &d), -1);

    // a refused search fails with -1, while GetDB passes the same code on
    AnswerScript refused;
    refused.retcodeSet = true;
    refused.retcode = 3;
    sim.setAnswer(10, refused);
    sim.setAnswer(11, refused);
    sim.setAnswer(9, refused);
    int32_t untouched = -5;
    EXPECT_EQ(KelSms_Find_Rcd(&byDevice, &untouched), -1);
    EXPECT_EQ(KelSms_Find_Rcd_ByID(&byId, &untouched), -1);
    EXPECT_EQ(untouched, -5);
    OvSmsDBInfo info;
    EXPECT_EQ(KelSms_GetDB(h, &info), 3);
}

TEST_F(KelSmsApi, PtzCommandsAreQueuedWithoutAnswer) {
    const int32_t h = login();
    KelSmsPtzOpt byDevice{h, "dahua", "10.0.0.8", "", "", "2", 21, -5};
    KelSmsPtzByIdOpt byId{h, "chan-9", 4, 7};
    EXPECT_EQ(KelSms_PTZCtrol_Other(&byDevice), 0);
    EXPECT_EQ(KelSms_PTZCtrol_ByID(&byId), 0);
    ASSERT_TRUE(sim.waitFor([&] { return sim.ptzCommands().size() == 2; }, 15000));
    const auto ptz = sim.ptzCommands();
    EXPECT_EQ(ptz[0].fcode, 6);
    EXPECT_EQ(ptz[0].devaddr, "10.0.0.8@:");
    EXPECT_EQ(ptz[0].chnlname, "2");
    EXPECT_EQ(ptz[0].cmd, 21);
    EXPECT_EQ(ptz[0].param, -5);
    EXPECT_EQ(ptz[1].fcode, 7);
    EXPECT_EQ(ptz[1].chnlid, "chan-9");
    EXPECT_EQ(ptz[1].cmd, 4);
    EXPECT_EQ(ptz[1].param, 7);
    EXPECT_EQ(KelSms_PTZCtrol_Other(nullptr), -1);
}

TEST_F(KelSmsApi, SearchAndLoginHandlesLiveIndependently) {
    const int32_t h = login();
    KelSmsFindByIdOpt opt = findById(h);
    int32_t search = 0;
    ASSERT_EQ(KelSms_Find_Rcd_ByID(&opt, &search), 0);
    EXPECT_EQ(KelSms_Logout(h), 0);
    OvSmsFindData d{};
    EXPECT_EQ(KelSms_Find_Next(search, &d), 0);
    EXPECT_EQ(KelSms_Find_Rcd_ByID(&opt, &search), -1);  // the login is gone
}

// Two cleanups racing for the last start: one matches it, the other has no
// start to match and must leave the device layer's count alone, or the
// device layer ends under a host that still holds it.
TEST_F(KelSmsApi, RacingCleanupsLowerTheDeviceLayerOnce) {
    OV::Init();  // the host's own hold on the device layer
    ASSERT_FALSE(GetVideoDevSDKTypes().empty());
    for (int round = 0; round < 50; ++round) {
        std::atomic<int> ready{0};
        std::atomic<int> matched{0};
        auto cleanup = [&] {
            ++ready;
            while (ready.load() < 2) {
            }
            if (KelSms_Cleanup() == 0) {
                ++matched;
            }
        };
        std::thread a(cleanup);
        std::thread b(cleanup);
        a.join();
        b.join();
        EXPECT_EQ(matched.load(), 1) << "round " << round;
        ASSERT_EQ(KelSms_Init(1, 0, 0), 0);
    }
    ASSERT_EQ(KelSms_Cleanup(), 0);
    EXPECT_FALSE(GetVideoDevSDKTypes().empty()) << "the host's hold was taken";
    ASSERT_EQ(KelSms_Init(1, 0, 0), 0);  // for the suite's own cleanup
    OV::Fini();
}

// Runs last: it takes the library down and up again.
TEST_F(KelSmsApi, InitAndCleanupAreCounted) {
    ASSERT_EQ(KelSms_Init(1, 0, 0), 0);  // count 2
    ASSERT_EQ(KelSms_Cleanup(), 0);      // count 1: still running
    const int32_t h = login();
    EXPECT_GT(h, 0);
    ASSERT_EQ(KelSms_Cleanup(), 0);  // count 0: stopped, handles gone
    KelSmsLoginOpt opt{address.c_str(), "admin", "12345"};
    int32_t handle = 0;
    EXPECT_EQ(KelSms_Login(&opt, &handle), -1);
    EXPECT_EQ(KelSms_Logout(h), -1);
    EXPECT_EQ(KelSms_CloseHandle(h), -1);
    EXPECT_EQ(KelSms_Cleanup(), -1);     // nothing to match
    ASSERT_EQ(KelSms_Init(1, 0, 0), 0);  // for the suite's own cleanup
    EXPECT_EQ(KelSms_Logout(h), -1);     // handles of before stay gone
    EXPECT_GT(login(), h);
}

}  // namespace
