#include "data_msg.h"

#include <cstring>

namespace sms {

DataMsg::DataMsg(uint32_t length) : length_(length), payload_(new uint8_t[length]) {
    encodeHeader(header_, length);
}

const bson_t* DataMsg::document() const {
    std::call_once(parsed_, [this] {
        if (length_ < 4) {
            return;
        }
        // BSON sizes are little-endian int32. The document may be shorter than
        // the frame (the sender is trusted to match them, the rest is ignored),
        // but never longer: a size past the payload would read beyond it.
        const uint8_t* p = payload_.get();
        const int64_t size =
            static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                 (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
        if (size < static_cast<int64_t>(kMinFrameLength) || size > static_cast<int64_t>(length_)) {
            return;
        }
        valid_ = bson_init_static(&doc_, p, static_cast<size_t>(size));
    });
    return valid_ ? &doc_ : nullptr;
}

}  // namespace sms
