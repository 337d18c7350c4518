#pragma once

// Pictures encoded with the codec library's own encoder, kept as the packets
// a live channel would deliver.

#include <cstdint>
#include <vector>

#include <ov/avc/dec_frame.h>
#include <ov/avc/h264_enc.h>
#include <ov/avc/packet.h>
#include <ov/avc/stream_dec.h>

#include "yuv_image.h"

namespace ovtest {

struct EncodedPacket {
    std::vector<std::uint8_t> bytes;
    std::int64_t pts;
    int key;
};

inline AVC::DecFrame frameOf(const YuvImage& img, std::int64_t pts) {
    AVC::DecFrame f{};
    f.pts = pts;
    f.width = img.width;
    f.height = img.height;
    f.data[0] = img.y.data();
    f.data[1] = img.u.data();
    f.data[2] = img.v.data();
    f.linesize[0] = img.width;
    f.linesize[1] = f.linesize[2] = img.chromaWidth();
    return f;
}

inline std::vector<EncodedPacket> encodeAll(const std::vector<YuvImage>& pictures, std::int64_t stepMs) {
    std::vector<EncodedPacket> packets;
    if (pictures.empty()) {
        return packets;
    }
    auto enc = AVC::CreateH264Enc(pictures[0].width, pictures[0].height);
    if (!enc) {
        return packets;
    }
    enc->SetOutput([&](AVC::Packet* p) {
        packets.push_back({std::vector<std::uint8_t>(p->data, p->data + p->size), p->pts, p->key});
    });
    for (size_t i = 0; i < pictures.size(); ++i) {
        AVC::DecFrame f = frameOf(pictures[i], static_cast<std::int64_t>(i) * stepMs);
        enc->Encode(&f);
    }
    return packets;
}

// One picture through the library's encoder and decoder: what a window would
// show of it. Empty when either step fails.
inline boost::shared_ptr<AVC::Picture> encodeAndDecode(const YuvImage& picture) {
    const std::vector<EncodedPacket> packets = encodeAll({picture}, 40);
    const AVC::DecOpt opt{AVC::CODEC_ID_H264, 0, 0};
    boost::shared_ptr<AVC::StreamDec> dec = AVC::CreateDec(&opt);
    if (packets.size() != 1 || !dec) {
        return {};
    }
    return dec->Decode(packets[0].bytes.data(), static_cast<std::int32_t>(packets[0].bytes.size()));
}

}  // namespace ovtest
