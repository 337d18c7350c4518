#pragma once

// Sessions against a simulated server: the pools run for the whole suite, a
// fresh server for every test.

#include <gtest/gtest.h>

#include "ios_pools.h"
#include "kel_requests.h"
#include "kel_session.h"
#include "sim_server.h"

namespace sms {

class SessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { startPools(); }
    static void TearDownTestSuite() { stopPools(); }
    void SetUp() override { sim.start(); }

    KelSessionPtr loggedIn(smssim::SimServer& server) {
        KelSessionPtr session;
        EXPECT_EQ(openSession(server.address(), "admin", "12345", &session), 0);
        return session;
    }
    KelSessionPtr loggedIn() { return loggedIn(sim); }

    smssim::SimServer sim;
};

}  // namespace sms
