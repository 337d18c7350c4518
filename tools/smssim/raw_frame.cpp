#include "raw_frame.h"

#include "frame_header.h"

namespace smssim {

std::vector<uint8_t> rawFrame(const std::string& magic, uint32_t length, const std::vector<uint8_t>& payload) {
    uint8_t header[sms::kHeaderSize];
    sms::encodeHeader(header, length);
    header[0] = static_cast<uint8_t>(magic.size() > 0 ? magic[0] : 0);
    header[1] = static_cast<uint8_t>(magic.size() > 1 ? magic[1] : 0);
    std::vector<uint8_t> bytes(header, header + sms::kHeaderSize);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
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
