#include "sim_server.h"

#include <gtest/gtest.h>
#include <boost/system/system_error.hpp>

namespace smssim {
namespace {

// Tests that want a fixed port (6888, or the port of a restart) meet it taken
// by other programs; the failed start must leave a server that ends quietly.
TEST(SimServer, AStartOnATakenPortFailsAndTheServerStillEnds) {
    SimServer first;
    const uint16_t port = first.start();
    SimConfig config;
    config.port = port;
    {
        SimServer second(config);
        EXPECT_THROW(second.start(), boost::system::system_error);
        second.stop();
    }
    EXPECT_EQ(first.port(), port);
}

}  // namespace
}  // namespace smssim
