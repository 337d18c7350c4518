#include "server_address.h"

#include <gtest/gtest.h>

namespace sms {
namespace {

TEST(ServerAddress, SplitsAtTheLastColonWithDefaultPort6888) {
    const struct {
        const char* text;
        const char* host;
        uint16_t port;
    } cases[] = {
        {"127.0.0.1", "127.0.0.1", 6888},
        {"127.0.0.1:7000", "127.0.0.1", 7000},
        {"::1:7000", "::1", 7000},  // everything before the last ":" is the host
        {"127.0.0.1:", "127.0.0.1", 0},
        {"127.0.0.1:abc", "127.0.0.1", 0},
        {"127.0.0.1:70000", "127.0.0.1", 4464},  // truncated to 16 bits
        {"127.0.0.1:80x", "127.0.0.1", 80},
    };
    for (const auto& c : cases) {
        const auto endpoint = parseServerAddress(c.text);
        EXPECT_EQ(endpoint.address().to_string(), c.host) << c.text;
        EXPECT_EQ(endpoint.port(), c.port) << c.text;
    }
}

TEST(ServerAddress, HostMustBeNumeric) {
    for (const char* text : {"localhost", "localhost:6888", "", ":6888", "::1", "[::1]:6888", "1.2.3:80"}) {
        EXPECT_THROW(parseServerAddress(text), boost::system::system_error) << text;
    }
}

}  // namespace
}  // namespace sms
