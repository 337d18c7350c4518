#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include <ov/avc/avc_api.h>
#include <ov/avc/dec_frame.h>
#include <ov/avc/packet.h>

namespace AVC {

// H.264 encoder for live channels: libx264 through libavcodec, preset
// ultrafast, tune zerolatency (no B-frames, no look-ahead: one packet per
// picture, out before Encode returns), one thread, CRF 23. An IDR picture
// starts the stream and follows whenever 2000 ms of time stamps have passed
// since the last one; every IDR packet begins with SPS then PPS.
class AVC_API H264Enc {
public:
    // 0: where packets go; an empty function drops them. Returns 0.
    virtual int32_t SetOutput(PacketCallback onPacket) = 0;
    // 1: encodes one picture of the size given at creation and delivers its
    // packet. Time stamps should increase; one that does not is moved to 1 ms
    // after the previous. 0, or -1 for a null or malformed frame, a frame of
    // another size, or an encoder failure.
    virtual int32_t Encode(const DecFrame* frame) = 0;

protected:
    ~H264Enc() {}
};

// Sizes from 2 to 8192 each way; an odd size loses its last row or column in
// the stream. Empty otherwise or when libx264 is missing.
AVC_API boost::shared_ptr<H264Enc> CreateH264Enc(int width, int height);

}  // namespace AVC
