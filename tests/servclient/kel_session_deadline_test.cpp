// The cases that wait for the session's deadlines (5000 ms for an exchange,
// 15000 ms of silence, the 5-second heartbeat). Each test lets its slow cases
// run side by side; the bounds are generous for a loaded machine.

#include "kel_session.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "session_fixture.h"
#include "sim_connection.h"

namespace sms {
namespace {

using smssim::AnswerScript;
using smssim::SimServer;
using Clock = std::chrono::steady_clock;

int64_t msSince(Clock::time_point t0) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
}

TEST_F(SessionTest, UnansweredExchangesEndAfter5000ms) {
    AnswerScript never;
    never.delayMs = -1;
    SimServer silent;
    silent.setAnswer(FC_LOGIN, never);
    silent.start();
    // answered, but only after the waiter gave up
    AnswerScript late;
    late.delayMs = 6500;
    sim.setAnswer(FC_DB_INFO, late);
    KelSessionPtr s = loggedIn();
    ASSERT_TRUE(s);

    // an answer without "sn" reaches nobody
    sim.setHandler(FC_PLAYBACK_BY_ID, [](smssim::SimConnection& c, const smssim::SimRequest&) {
        DocBuilder b;
        b.i32("fcode", FC_PLAYBACK_BY_ID).i32("retcode", 0);
        c.send(makeMsg(b.finish()));
    });
    KelMsgPtr withoutSn;
    std::thread unnumbered([&] {
        DocBuilder b;
        b.i32("fcode", FC_PLAYBACK_BY_ID).i32("sn", s->nextSn());
        withoutSn = s->request(makeMsg(b.finish()));
    });

    int32_t loginCode = 0;
    int64_t loginMs = 0;
    std::thread login([&] {
        const auto t0 = Clock::now();
        KelSessionPtr other;
        loginCode = openSession(silent.address(), "admin", "12345", &other);
        loginMs = msSince(t0);
    });
    const auto t0 = Clock::now();
    const KelMsgPtr answer = s->request(makeMsg(dbInfoDoc(s->nextSn())));
    const int64_t requestMs = msSince(t0);
    login.join();
    unnumbered.join();

    EXPECT_FALSE(answer);
    EXPECT_FALSE(withoutSn);
    EXPECT_GE(requestMs, 4900);
    EXPECT_LT(requestMs, 60000);
    EXPECT_EQ(s->waiterCount(), 0u);
    EXPECT_EQ(loginCode, -1);
    EXPECT_GE(loginMs, 4900);
    EXPECT_LT(loginMs, 60000);

    // the late answer is dropped and the connection serves on
    sim.clearAnswer(FC_DB_INFO);
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    OvSmsDBInfo info;
    EXPECT_EQ(getDB(*s, &info), 0);
    EXPECT_EQ(s->waiterCount(), 0u);
    EXPECT_EQ(sim.loginCount(), 1);
}

TEST_F(SessionTest, ConnectionsComeBackAfterRestartAndAfterSilence) {
    SimServer quiet;  // accepts and logs in, never answers a heartbeat
    quiet.setHeartbeatAnswers(false);
    quiet.start();
    KelSessionPtr silent = loggedIn(quiet);
    const auto silentSince = Clock::now();
    KelSessionPtr s = loggedIn();
    ASSERT_TRUE(silent && s);

    // The server goes away and comes back on the same port.
    sim.stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    sim.start();
    const auto back = Clock::now();
    ASSERT_TRUE(sim.waitFor([&] { return sim.loginCount() == 2 && s->connected(); }, 30000));
    // about one heartbeat period; the bound leaves room for a loaded machine
    EXPECT_LT(msSince(back), 20000);
    OvSmsDBInfo info;
    EXPECT_EQ(getDB(*s, &info), 0);
    EXPECT_EQ(sim.requestsOf(FC_LOGIN).back().sn >= 1, true);

    // Heartbeats go out unanswered; the connection is given up only after
    // more than 15000 ms of silence, then logged in again.
    if (msSince(silentSince) < 10000) {
        EXPECT_EQ(quiet.loginCount(), 1);
    }
    ASSERT_TRUE(quiet.waitFor([&] { return quiet.loginCount() == 2; }, 60000));
    EXPECT_GT(msSince(silentSince), 15000);
    EXPECT_GE(quiet.requestsOf(FC_HEARTBEAT).size(), 2u);
    EXPECT_TRUE(quiet.waitFor([&] { return silent->connected(); }, 15000));
}

}  // namespace
}  // namespace sms
