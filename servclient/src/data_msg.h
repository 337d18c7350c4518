#pragma once

#include <memory>
#include <mutex>

#include "frame_header.h"
#include "kel_msg.h"

namespace sms {

// An incoming frame: a payload buffer of exactly the announced length, read
// once and parsed in place on the first request for the document.
class DataMsg : public KelMsg {
public:
    explicit DataMsg(uint32_t length);

    const bson_t* document() const override;
    std::vector<boost::asio::const_buffer> outputRanges() const override { return {}; }
    uint8_t* payloadArea() override { return payload_.get(); }

    uint32_t length() const { return length_; }
    const uint8_t* header() const { return header_; }

private:
    uint32_t length_;
    uint8_t header_[kHeaderSize];
    std::unique_ptr<uint8_t[]> payload_;
    mutable std::once_flag parsed_;
    mutable bson_t doc_;
    mutable bool valid_ = false;
};

}  // namespace sms
