#pragma once

#include <cstdint>
#include <memory>

namespace local {

// A private copy of one H.264 frame (an access unit in byte-stream form).
class H264Data {
public:
    H264Data(const uint8_t* data, int32_t size);
    H264Data(const H264Data&) = delete;
    H264Data& operator=(const H264Data&) = delete;

    const uint8_t* data() const { return bytes_.get(); }
    int32_t size() const { return size_; }
    // A decoder can start here: the frame holds an SPS or an IDR slice.
    bool key() const { return key_; }

private:
    std::unique_ptr<uint8_t[]> bytes_;
    int32_t size_;
    bool key_;
};

// True when the byte stream holds an SPS (7) or an IDR slice (5) before its
// first non-IDR slice.
bool holdsKeyPicture(const uint8_t* data, int32_t size);

}  // namespace local
