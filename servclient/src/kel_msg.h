#pragma once

// One frame of the management-server protocol, outgoing or incoming. Frames
// are handed around by shared pointer and live as long as the longest of the
// writer, the reader and the request that waits for them.

#include <cstdint>
#include <vector>

#include <bson/bson.h>
#include <boost/asio/buffer.hpp>
#include <boost/shared_ptr.hpp>

namespace sms {

class KelMsg {
public:
    virtual ~KelMsg() = default;

    // The message's document; null when a received payload holds no valid one.
    virtual const bson_t* document() const = 0;
    // The ranges that, written back to back, form the frame on the wire.
    virtual std::vector<boost::asio::const_buffer> outputRanges() const = 0;
    // Where a receiver reads the payload into; null for outgoing messages.
    virtual uint8_t* payloadArea() = 0;
};

typedef boost::shared_ptr<KelMsg> KelMsgPtr;

}  // namespace sms
