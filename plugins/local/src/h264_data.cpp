#include "h264_data.h"

#include <cstring>

namespace local {

H264Data::H264Data(const uint8_t* data, int32_t size)
    : bytes_(new uint8_t[size > 0 ? size : 1]), size_(size > 0 ? size : 0), key_(holdsKeyPicture(data, size)) {
    if (size_ > 0) {
        std::memcpy(bytes_.get(), data, size_);
    }
}

bool holdsKeyPicture(const uint8_t* data, int32_t size) {
    if (!data) {
        return false;
    }
    for (int32_t i = 0; i + 3 < size; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1) {
            continue;
        }
        const int type = data[i + 3] & 0x1f;
        if (type == 5 || type == 7) {
            return true;
        }
        if (type == 1) {
            return false;  // the picture itself: no need to read its slice data
        }
        i += 2;
    }
    return false;
}

}  // namespace local
