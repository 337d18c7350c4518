#pragma once

// Blocking socket work with a deadline, for threads that are not the
// socket's own. The operations run asynchronously on the socket's I/O service
// while the caller waits; when the deadline passes, the socket is closed
// there, which ends whatever is pending, and the caller gets a failure.

#include <cstdint>

#include <boost/asio/ip/tcp.hpp>
#include <boost/shared_ptr.hpp>

#include "kel_msg.h"

namespace sms {

typedef boost::shared_ptr<boost::asio::ip::tcp::socket> SocketPtr;

// Requests and answers are small frames; none may wait for the
// acknowledgement of the one before it.
void noDelay(boost::asio::ip::tcp::socket& sock);

// Connects (and sets noDelay); false on failure or after the deadline.
bool connectWithin(const SocketPtr& sock, const boost::asio::ip::tcp::endpoint& endpoint, int64_t timeoutMs);

// The synchronous exchange: writes one frame, then takes the next frame on
// the connection as the answer, whatever its code or "sn". Only the length
// range is checked, not the magic. Null on a length out of range, a short
// read, a socket error or the deadline.
KelMsgPtr exchangeWithin(const SocketPtr& sock, const KelMsgPtr& request, int64_t timeoutMs);

}  // namespace sms
