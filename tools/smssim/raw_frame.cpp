#include "raw_frame.h"

#include <algorithm>

#include "frame_header.h"

namespace smssim {

std::vector<uint8_t> rawFrame(const std::string& magic, uint32_t length, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> bytes(sms::kHeaderSize + payload.size());
    sms::encodeHeader(bytes.data(), length);
    bytes[0] = static_cast<uint8_t>(magic.size() > 0 ? magic[0] : 0);
    bytes[1] = static_cast<uint8_t>(magic.size() > 1 ? magic[1] : 0);
    std::copy(payload.begin(), payload.end(), bytes.begin() + sms::kHeaderSize);
    return bytes;
}

std::vector<uint8_t> docBytes(const sms::BsonDocPtr& doc) {
    const uint8_t* data = bson_get_data(doc->get());
    return std::vector<uint8_t>(data, data + doc->get()->len);
}

std::vector<uint8_t> frameOf(const sms::BsonDocPtr& doc) {
    return rawFrame("OV", doc->get()->len, docBytes(doc));
}

}  // namespace smssim
