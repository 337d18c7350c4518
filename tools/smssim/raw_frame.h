#pragma once

// Bytes that go out exactly as given: scripted faults (a wrong magic, a
// length out of range) and hand-made frames.

#include <cstdint>
#include <string>
#include <vector>

#include "bson_msg.h"
#include "kel_msg.h"

namespace smssim {

class RawMsg : public sms::KelMsg {
public:
    explicit RawMsg(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    const bson_t* document() const override { return nullptr; }
    std::vector<boost::asio::const_buffer> outputRanges() const override {
        return {boost::asio::buffer(bytes_.data(), bytes_.size())};
    }
    uint8_t* payloadArea() override { return nullptr; }

private:
    std::vector<uint8_t> bytes_;
};

// A header with the given two magic bytes and length field, then the payload
// (which need not match the length).
std::vector<uint8_t> rawFrame(const std::string& magic, uint32_t length, const std::vector<uint8_t>& payload);
// The bytes of a document.
std::vector<uint8_t> docBytes(const sms::BsonDocPtr& doc);
// A well-formed frame of a document.
std::vector<uint8_t> frameOf(const sms::BsonDocPtr& doc);

}  // namespace smssim
