#pragma once

#include <cstdint>
#include <string>

#include <boost/asio/ip/tcp.hpp>

namespace sms {

const char* const kDefaultPortText = "6888";

// The decimal value of the leading digits of a text (an optional sign, as
// atoi reads it), truncated to 16 bits; 0 when the text starts with no number.
uint16_t port16Of(const std::string& text);

// Splits "host[:port]" at the last ":" (default port 6888). The host must be
// a numeric IPv4 or IPv6 address: there is no name lookup. Throws
// boost::system::system_error for anything else.
boost::asio::ip::tcp::endpoint parseServerAddress(const std::string& address);

}  // namespace sms
