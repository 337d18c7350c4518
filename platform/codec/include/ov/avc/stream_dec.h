#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include <ov/avc/avc_api.h>
#include <ov/avc/picture.h>

namespace AVC {

// Codec identifiers of DecOpt.
enum CodecId : int32_t {
    CODEC_ID_H264 = 28,
};

struct DecOpt {
    int32_t codec;      // CodecId
    int32_t reserved1;  // 0
    int32_t reserved2;  // 0
};

// Decodes an elementary stream handed over one frame at a time.
class AVC_API StreamDec {
public:
    // 0: one frame (for H.264 one access unit, Annex-B). Returns the newest
    // picture it completes, empty when none is ready or the data is damaged.
    // One thread at a time.
    virtual boost::shared_ptr<Picture> Decode(const uint8_t* data, int32_t len) = 0;

protected:
    ~StreamDec() {}
};

// Empty for a null option or a codec other than CODEC_ID_H264.
AVC_API boost::shared_ptr<StreamDec> CreateDec(const DecOpt* opt);

}  // namespace AVC
