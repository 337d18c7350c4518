#include "sim_config.h"

#include <gtest/gtest.h>

namespace smssim {
namespace {

TEST(SimConfig, JsonOverridesTheDefaults) {
    const SimConfig c = parseSimConfig(R"({
        // comments are allowed
        "port": 7000,
        "users": [{"username": "op", "password": "pw"}],
        "heartbeat": false,
        "db": {"dbaddr": "10.0.0.5", "dbport": 1433},
        "records": [{"st": "2026-01-02 03:04:05", "et": "2026-01-02 04:04:05", "size": 1048576}],
        "answers": {"9": {"delayMs": -1, "retcode": 3, "retcodeFault": "wrongType"}}
    })");
    EXPECT_EQ(c.port, 7000);
    ASSERT_EQ(c.users.size(), 1u);
    EXPECT_EQ(c.users[0].name, "op");
    EXPECT_FALSE(c.heartbeatAnswers);
    EXPECT_EQ(c.db.addr, "10.0.0.5");
    EXPECT_TRUE(c.db.portAsInt32);
    EXPECT_EQ(c.db.name, SimDb().name);
    ASSERT_EQ(c.records.size(), 1u);
    EXPECT_EQ(c.records[0].size, 1048576);
    const AnswerScript& a = c.answers.at(9);
    EXPECT_EQ(a.delayMs, -1);
    EXPECT_TRUE(a.retcodeSet);
    EXPECT_EQ(a.retcode, 3);
    EXPECT_EQ(a.fault, RetcodeFault::WrongType);
}

TEST(SimConfig, MistakesAreNamed) {
    for (const char* bad : {"[]", "{\"port\": \"x\"}", "{\"port\": 70000}", "{\"answers\": {\"x\": {}}}",
                            "{\"answers\": {\"9\": {\"retcodeFault\": \"odd\"}}}", "{"}) {
        EXPECT_THROW(parseSimConfig(bad), std::runtime_error) << bad;
    }
}

}  // namespace

}  // namespace smssim
