#pragma once

#include <string>

#include <boost/shared_ptr.hpp>

#include "login_hd.h"

namespace hik {

// Port used when an address names none.
const char* const kDefaultPort = "8000";

// Splits "host[:port]" at its last colon.
void SplitAddress(const std::string& addr, std::string& host, std::string& port);

// The port number to hand the vendor: the decimal value of the text, or 0 (no
// recorder listens there) when it does not fit in 16 bits.
uint16_t PortNumber(const std::string& port);

// The shared login to a recorder: the live one for this host, port, user and
// password, or a new vendor login. Empty when the vendor refused without an
// error code; throws ovnexception(-1, vendor text) when it gave one. Null
// texts count as empty ones.
boost::shared_ptr<LoginHD> HikLogin(const char* addr, const char* user, const char* passw);

}  // namespace hik
