#include <demux/buffer.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace hik {

bool CBuffer::reserve(int32_t capacity) noexcept {
    if (capacity <= capacity_) {
        return true;
    }
    std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[size_t(capacity)]);
    if (!grown) {
        return false;
    }
    const int32_t unread = unreadSize();
    if (unread > 0) {
        std::memcpy(grown.get(), data_.get() + readPos_, size_t(unread));
    }
    data_.swap(grown);
    capacity_ = capacity;
    size_ = unread;
    readPos_ = 0;
    return true;
}

void CBuffer::compact() {
    if (readPos_ == 0) {
        return;
    }
    const int32_t unread = unreadSize();
    if (unread > 0) {
        std::memmove(data_.get(), data_.get() + readPos_, size_t(unread));
    }
    size_ = unread;
    readPos_ = 0;
}

void CBuffer::append(const uint8_t* bytes, int32_t count) {
    if (count <= 0) {
        return;
    }
    const int32_t unread = unreadSize();
    if (count > INT32_MAX - unread) {
        throw std::length_error("CBuffer over 2 GiB");
    }
    // moving the unread bytes costs no more than the bytes consumed since the
    // last move, so it is paid for once per byte
    if (readPos_ > 0 && (readPos_ >= unread || capacity_ - size_ < count)) {
        compact();
    }
    if (capacity_ - size_ < count) {
        const int64_t wanted = std::max<int64_t>(int64_t(capacity_) * 2, int64_t(size_) + count);
        if (!reserve(int32_t(std::min<int64_t>(wanted, INT32_MAX)))) {
            throw std::bad_alloc();
        }
    }
    std::memcpy(data_.get() + size_, bytes, size_t(count));
    size_ += count;
}

}  // namespace hik
