#pragma once

// Bytes read from a connection but not yet taken. One receive usually brings
// a whole small frame, often several; taking them from here saves a system
// call per header and per payload. Bounded: the reader asks for more only
// while it lacks a header, and a payload larger than what is buffered is
// read straight into its own buffer.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace sms {

class ReadAhead {
public:
    static constexpr std::size_t kCapacity = 8192;

    std::size_t available() const { return end_ - begin_; }
    const uint8_t* data() const { return bytes_.data() + begin_; }
    void consume(std::size_t n) {
        begin_ += n;
        if (begin_ == end_) {
            clear();
        }
    }
    void clear() { begin_ = end_ = 0; }

    // Room after the buffered bytes, moved to the front first.
    uint8_t* space() {
        if (begin_ > 0) {
            std::memmove(bytes_.data(), bytes_.data() + begin_, available());
            end_ -= begin_;
            begin_ = 0;
        }
        return bytes_.data() + end_;
    }
    std::size_t spaceSize() const { return kCapacity - end_; }
    void filled(std::size_t n) { end_ += n; }

private:
    std::array<uint8_t, kCapacity> bytes_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

}  // namespace sms
