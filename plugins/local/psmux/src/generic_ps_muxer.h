#pragma once

#include <psmux/ps_muxer.h>

#include "ps_writer.h"

// Plain H.264 program stream: pack header, the stream map before frames that
// begin with an SPS, and one PES packet with PTS per frame.
class GenericPSMuxer final : public IPsmuxer {
public:
    GenericPSMuxer(PsOutputFn callback, void* user);

    int32_t Release() override;
    int32_t InputFrame(const void* data, int32_t length, const PsFrameInfo* info) override;

private:
    ~GenericPSMuxer() = default;

    int32_t pack(const uint8_t* frame, size_t size, const PsFrameInfo& info);

    PsOutputFn callback_;
    void* user_;
    uint32_t counter_ = 0;  // the first frame carries 1
    psmux::PsWriter out_;
};
