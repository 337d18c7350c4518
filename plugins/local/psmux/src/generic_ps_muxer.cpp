#include "generic_ps_muxer.h"

#include "frame_input.h"

GenericPSMuxer::GenericPSMuxer(PsOutputFn callback, void* user) : callback_(callback), user_(user) {}

int32_t GenericPSMuxer::Release() {
    delete this;
    return 0;
}

int32_t GenericPSMuxer::InputFrame(const void* data, int32_t length, const PsFrameInfo* info) {
    return psmux::acceptFrame(data, length, info, [this](const uint8_t* frame, size_t size, const PsFrameInfo& i) {
        return pack(frame, size, i);
    });
}

int32_t GenericPSMuxer::pack(const uint8_t* frame, size_t size, const PsFrameInfo& info) {
    ++counter_;
    // only a four-byte start code followed by an SPS marks a key frame here
    const bool key = size > 4 && (frame[4] & 0x1F) == 7;
    return psmux::writeGenericFrame(out_, counter_, frame, size, info, 0x1B, key, callback_, user_);
}
