#include "generic_ps_muxer.h"

#include <cstdint>
#include <new>

GenericPSMuxer::GenericPSMuxer(PsOutputFn callback, void* user) : callback_(callback), user_(user) {}

int32_t GenericPSMuxer::Release() {
    delete this;
    return 0;
}

int32_t GenericPSMuxer::InputFrame(const void* data, int32_t length, const PsFrameInfo* info) {
    if (length < 0 || (data == nullptr && length > 0) || info == nullptr) {
        return -1;
    }
    try {
        return pack(static_cast<const uint8_t*>(data), size_t(length), *info);
    } catch (const std::bad_alloc&) {
        // the frame is lost, but the recorder and its file go on
        return -1;
    }
}

int32_t GenericPSMuxer::pack(const uint8_t* frame, size_t size, const PsFrameInfo& info) {
    ++counter_;
    const uint64_t clock = psmux::clock90k(info.timestampMs);
    out_.clear();
    out_.reserve(20 + 88 + 24 + size + (size / psmux::PsWriter::kPiece) * 16);
    out_.packHeader(clock, counter_);
    // only a four-byte start code followed by an SPS marks a key frame here
    if (size > 4 && (frame[4] & 0x1F) == 7) {
        out_.streamMap(0x1B, counter_, info, info.width, info.height);
    }
    out_.pesWithPts(clock, frame, size);
    if (out_.size() > size_t(INT32_MAX)) {
        return -1;  // the callback's length could not carry it
    }
    callback_(out_.data(), int32_t(out_.size()), &info, user_);
    return 0;
}
