#pragma once

#include <cstdint>
#include <memory>

namespace hik {

// Growable byte buffer with a read position: bytes before it are consumed,
// bytes from it to the end are unread. Consuming moves nothing; the unread
// bytes go to the front only when that costs no more than what was consumed
// since (or when room is needed), so feeding and consuming stay linear in the
// number of bytes whatever the chunk sizes.
class CBuffer {
public:
    CBuffer() = default;
    CBuffer(const CBuffer&) = delete;
    CBuffer& operator=(const CBuffer&) = delete;

    // Makes the capacity at least `capacity` bytes; false when memory runs out.
    bool reserve(int32_t capacity) noexcept;
    // Adds bytes at the end, growing at least geometrically. Throws
    // std::bad_alloc, or std::length_error past 2 GiB.
    void append(const uint8_t* bytes, int32_t count);
    // Marks `count` unread bytes as consumed.
    void consume(int32_t count) { readPos_ += count; }
    // Moves the unread bytes to the front.
    void compact();
    // Drops everything held; the capacity stays.
    void empty() { size_ = readPos_ = 0; }

    const uint8_t* data() const { return data_.get(); }
    const uint8_t* unread() const { return data_.get() + readPos_; }
    int32_t capacity() const { return capacity_; }
    int32_t size() const { return size_; }
    int32_t readPos() const { return readPos_; }
    int32_t unreadSize() const { return size_ - readPos_; }

private:
    std::unique_ptr<uint8_t[]> data_;
    int32_t capacity_ = 0;
    int32_t size_ = 0;
    int32_t readPos_ = 0;
};

}  // namespace hik
