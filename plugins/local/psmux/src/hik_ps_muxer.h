#pragma once

#include <psmux/ps_muxer.h>

#include "ps_writer.h"

// Packs H.264 the way Hikvision recorders lay out their program streams: a
// 40-byte "IMKH" file header once, then per frame a pack header with a frame
// counter in its stuffing, the stream map on key frames, an access-unit
// delimiter packet carrying the PTS, and SPS, PPS and picture data in packets
// of their own.
class HikPSMuxer final : public IPsmuxer {
public:
    HikPSMuxer(PsOutputFn callback, void* user);

    int32_t Release() override;
    int32_t InputFrame(const void* data, int32_t length, const PsFrameInfo* info) override;

private:
    ~HikPSMuxer() = default;

    int32_t pack(const uint8_t* frame, size_t size, const PsFrameInfo& info);
    void packKeyFrame(const uint8_t* frame, size_t length);

    PsOutputFn callback_;
    void* user_;
    uint32_t counter_;
    bool headerWritten_ = false;
    psmux::PsWriter out_;
};
