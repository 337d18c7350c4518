#include "generic_mpeg4_ps_muxer.h"

#include "frame_input.h"

GenericMPEG4PSMuxer::GenericMPEG4PSMuxer(PsOutputFn callback, void* user) : callback_(callback), user_(user) {}

int32_t GenericMPEG4PSMuxer::Release() {
    delete this;
    return 0;
}

int32_t GenericMPEG4PSMuxer::InputFrame(const void* data, int32_t length, const PsFrameInfo* info) {
    return psmux::acceptFrame(data, length, info, [this](const uint8_t* frame, size_t size, const PsFrameInfo& i) {
        return pack(frame, size, i);
    });
}

int32_t GenericMPEG4PSMuxer::pack(const uint8_t* frame, size_t size, const PsFrameInfo& info) {
    ++counter_;
    const bool key = info.key == 1;
    return psmux::writeGenericFrame(out_, counter_, frame, size, info, 0x10, key, callback_, user_);
}
