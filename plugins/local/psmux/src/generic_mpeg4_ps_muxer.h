#pragma once

#include <psmux/ps_muxer.h>

#include "ps_writer.h"

// Plain MPEG-4 Visual program stream: as GenericPSMuxer, with the key flag of
// the frame record deciding where the stream map goes.
class GenericMPEG4PSMuxer final : public IPsmuxer {
public:
    GenericMPEG4PSMuxer(PsOutputFn callback, void* user);

    int32_t Release() override;
    int32_t InputFrame(const void* data, int32_t length, const PsFrameInfo* info) override;

private:
    ~GenericMPEG4PSMuxer() = default;

    int32_t pack(const uint8_t* frame, size_t size, const PsFrameInfo& info);

    PsOutputFn callback_;
    void* user_;
    uint32_t counter_ = 0;  // the first frame carries 1
    psmux::PsWriter out_;
};
