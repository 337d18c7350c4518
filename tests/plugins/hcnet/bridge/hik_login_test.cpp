#include "hik_login.h"

#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ov/ovnexception.h>

#include "enum_host_chan.h"
#include "hik_error_text.h"
#include "sim_fixture.h"

using hik::HikLogin;
using hiktest::Calls;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

class HikLoginTest : public hiktest::SimTest {};

std::vector<std::string> channelIds(const hik::LoginHD& login) {
    return login.chans().ids;
}

}  // namespace

TEST(HikAddressTest, SplitsAtTheLastColon) {
    struct Case {
        const char* addr;
        const char* host;
        const char* port;
    } cases[] = {
        {"10.2.0.1", "10.2.0.1", "8000"},
        {"10.2.0.1:8001", "10.2.0.1", "8001"},
        {"fe80::1:8001", "fe80::1", "8001"},
        {"nvr.local:", "nvr.local", ""},
        {"", "", "8000"},
        {":9000", "", "9000"},
    };
    for (const Case& c : cases) {
        std::string host, port;
        hik::SplitAddress(c.addr, host, port);
        EXPECT_EQ(c.host, host) << c.addr;
        EXPECT_EQ(c.port, port) << c.addr;
    }
}

TEST(HikAddressTest, PortsTheVendorWouldWrapReachNoRecorder) {
    EXPECT_EQ(8000, hik::PortNumber("8000"));
    EXPECT_EQ(65535, hik::PortNumber("65535"));
    EXPECT_EQ(8001, hik::PortNumber("8001x"));  // read as a decimal integer
    EXPECT_EQ(0, hik::PortNumber(""));
    EXPECT_EQ(0, hik::PortNumber("65536"));
    EXPECT_EQ(0, hik::PortNumber("73536"));  // 73536 & 0xFFFF would be 8000
    EXPECT_EQ(0, hik::PortNumber("-1"));
}

TEST_F(HikLoginTest, DefaultAndExplicitPortsAndTwoColons) {
    auto onDefault = HikLogin("10.2.0.1", "admin", "12345");
    auto onExplicit = HikLogin("10.2.0.1:8001", "admin", "12345");
    ASSERT_EQ(0, HikSim_AddDevice(hiktest::RecorderJson(streamPath_, 8002, "12345", "fe80::1").c_str()))
        << HikSim_LastMessage();
    auto onTwoColons = HikLogin("fe80::1:8002", "admin", "12345");
    ASSERT_TRUE(onDefault && onExplicit && onTwoColons);
    EXPECT_NE(onDefault, onExplicit);
    EXPECT_THAT(Calls("NET_DVR_Login_V30"), ElementsAre(HasSubstr("(\"10.2.0.1\", 8000, \"admin\", \"12345\")"),
                                                        HasSubstr("(\"10.2.0.1\", 8001, \"admin\", \"12345\")"),
                                                        HasSubstr("(\"fe80::1\", 8002, \"admin\", \"12345\")")));
}

TEST_F(HikLoginTest, OneVendorLoginWhileHeldAndAFreshOneAfterTheLastRelease) {
    auto first = HikLogin("10.2.0.1", "admin", "12345");
    auto same = HikLogin("10.2.0.1:8000", "admin", "12345");  // the default port, spelt out
    auto other = HikLogin("10.2.0.1:8001", "admin", "12345");
    ASSERT_TRUE(first && other);
    EXPECT_EQ(first, same);
    EXPECT_NE(first, other);
    EXPECT_EQ(2u, Calls("NET_DVR_Login_V30").size());

    const int32_t user = first->userId();
    first.reset();
    EXPECT_TRUE(Calls("NET_DVR_Logout").empty());
    same.reset();
    EXPECT_THAT(Calls("NET_DVR_Logout"), ElementsAre("NET_DVR_Logout(" + std::to_string(user) + ") -> 1"));

    auto again = HikLogin("10.2.0.1", "admin", "12345");
    ASSERT_TRUE(again);
    EXPECT_NE(user, again->userId());
    EXPECT_EQ(3u, Calls("NET_DVR_Login_V30").size());
}

TEST_F(HikLoginTest, ThePasswordIsPartOfTheKey) {
    auto before = HikLogin("10.2.0.1", "admin", "12345");
    ASSERT_TRUE(before);
    // the recorder's password changes; the held login stays
    ASSERT_EQ(0, HikSim_AddDevice(hiktest::RecorderJson(streamPath_, 8000, "new").c_str()));
    auto after = HikLogin("10.2.0.1", "admin", "new");
    ASSERT_TRUE(after);
    EXPECT_NE(before, after);
    EXPECT_NE(before->userId(), after->userId());
    EXPECT_EQ(2u, Calls("NET_DVR_Login_V30").size());
    EXPECT_EQ(before, HikLogin("10.2.0.1", "admin", "12345"));
}

TEST_F(HikLoginTest, CredentialsThatOnlyDifferInWhereTheHashIsAreTwoLogins) {
    ASSERT_EQ(0, HikSim_AddDevice(R"({"host": "10.2.0.7", "users": {"a#b": "c", "a": "b#c"}})"));
    auto one = HikLogin("10.2.0.7", "a#b", "c");
    auto other = HikLogin("10.2.0.7", "a", "b#c");
    ASSERT_TRUE(one && other);
    EXPECT_NE(one, other);
    EXPECT_EQ(2u, Calls("NET_DVR_Login_V30").size());
    EXPECT_EQ(one, HikLogin("10.2.0.7", "a#b", "c"));
}

TEST_F(HikLoginTest, ConcurrentLoginsToOneKeyBothStayValid) {
    boost::shared_ptr<hik::LoginHD> a, b;
    std::thread ta([&] { a = HikLogin("10.2.0.1", "admin", "12345"); });
    std::thread tb([&] { b = HikLogin("10.2.0.1", "admin", "12345"); });
    ta.join();
    tb.join();
    ASSERT_TRUE(a && b);
    const std::size_t logins = Calls("NET_DVR_Login_V30").size();
    EXPECT_TRUE(logins == 1u || logins == 2u);
    EXPECT_EQ(logins == 1u, a == b);
}

TEST_F(HikLoginTest, FailuresWithAndWithoutACode) {
    ASSERT_EQ(0, HikSim_FailNext("NET_DVR_Login_V30", 0));
    EXPECT_FALSE(HikLogin("10.2.0.1", "admin", "12345"));
    try {
        HikLogin("10.2.0.1", "admin", "wrong");
        FAIL() << "no exception";
    } catch (const OV::ovnexception& e) {
        EXPECT_EQ(-1, e.code());
        EXPECT_STREQ(hik::HikErrorText(1), e.message());
    }
    EXPECT_THROW(HikLogin("10.2.0.1:70000", "admin", "12345"), OV::ovnexception);
    EXPECT_THAT(Calls("NET_DVR_Login_V30").back(), HasSubstr("(\"10.2.0.1\", 0, "));
    EXPECT_THROW(HikLogin(nullptr, nullptr, nullptr), OV::ovnexception);
    EXPECT_TRUE(HikLogin("10.2.0.1", "admin", "12345"));
}

TEST_F(HikLoginTest, ChannelsAreAnalogThenDigital) {
    auto login = HikLogin("10.2.0.1", "admin", "12345");
    ASSERT_TRUE(login);
    const std::vector<std::string> expected = {"1", "2", "3", "4", "33", "34", "35", "36", "37", "38", "39", "40"};
    EXPECT_EQ(expected, channelIds(*login));
    EXPECT_EQ(expected, login->chans().names);
    EXPECT_EQ(33, login->firstDigitalChan());
    EXPECT_EQ(1, login->firstTalkChan());
    EXPECT_THAT(Calls("NET_DVR_GetDVRConfig"),
                ElementsAre(HasSubstr("(" + std::to_string(login->userId()) + ", 1062, 0, buffer, 50792) -> 1")));
}

TEST_F(HikLoginTest, AFailedIpChannelQueryNumbersDigitalChannelsFromZero) {
    ASSERT_EQ(0, HikSim_FailNext("NET_DVR_GetDVRConfig", 23));
    auto login = HikLogin("10.2.0.1", "admin", "12345");
    ASSERT_TRUE(login);
    EXPECT_EQ((std::vector<std::string>{"1", "2", "3", "4", "0", "1", "2", "3", "4", "5", "6", "7"}),
              channelIds(*login));
    EXPECT_EQ(0, login->firstDigitalChan());
}

TEST_F(HikLoginTest, EnumHostChanReportsEachChannelWithTheCallersTexts) {
    std::string addr = "10.2.0.1", user = "admin", passw = "12345";
    OV::HostOpt opt = {"anything", addr.c_str(), user.c_str(), passw.c_str()};
    std::vector<std::string> seen;
    EXPECT_EQ(0, hik::EnumHostChan(&opt, [&](OV::NodeInfo* n) {
                  EXPECT_STREQ("hik", n->type);
                  EXPECT_EQ(addr.c_str(), n->addr);
                  EXPECT_EQ(user.c_str(), n->user);
                  EXPECT_EQ(passw.c_str(), n->passw);
                  EXPECT_STREQ(n->name, n->id);
                  seen.push_back(n->id);
              }));
    EXPECT_EQ((std::vector<std::string>{"1", "2", "3", "4", "33", "34", "35", "36", "37", "38", "39", "40"}), seen);

    ASSERT_EQ(0, HikSim_FailNext("NET_DVR_Login_V30", 0));
    int calls = 0;
    EXPECT_EQ(-1, hik::EnumHostChan(&opt, [&](OV::NodeInfo*) { ++calls; }));
    EXPECT_EQ(0, calls);
    EXPECT_EQ(-1, hik::EnumHostChan(nullptr, [&](OV::NodeInfo*) { ++calls; }));
}
