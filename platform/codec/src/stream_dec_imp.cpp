#include <ov/avc/stream_dec.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "av_handles.h"
#include "av_picture.h"
#include "ffmpeg_setup.h"
#include "yuv420p_converter.h"

namespace AVC {
namespace {

// A frame larger than this is not a video frame of any camera; refused.
constexpr int32_t kMaxInput = 32 * 1024 * 1024;
constexpr size_t kInitialInput = 256 * 1024;

class StreamDecImp final : public StreamDec {
public:
    static boost::shared_ptr<StreamDec> create(AVCodecID id);

    boost::shared_ptr<Picture> Decode(const uint8_t* data, int32_t len) override;

private:
    AvCodecPtr codec_;
    AvPacketPtr packet_;
    AvFramePtr picture_;
    // Input copied here with the zero padding the decoder's bit reader needs;
    // reused whenever the decoder has let go of it.
    AvBufferPtr input_;
    Yuv420pConverter converter_;
};

boost::shared_ptr<StreamDec> StreamDecImp::create(AVCodecID id) {
    ffmpegSetup();
    const AVCodec* codec = avcodec_find_decoder(id);
    if (!codec) {
        return {};
    }
    boost::shared_ptr<StreamDecImp> dec(new StreamDecImp);
    dec->codec_.reset(avcodec_alloc_context3(codec));
    if (!dec->codec_) {
        return {};
    }
    // one thread: frame threads would hold pictures back by one frame per thread
    dec->codec_->thread_count = 1;
    if (avcodec_open2(dec->codec_.get(), codec, nullptr) < 0) {
        return {};
    }
    dec->packet_.reset(av_packet_alloc());
    dec->picture_.reset(av_frame_alloc());
    if (!dec->packet_ || !dec->picture_) {
        return {};
    }
    return dec;
}

boost::shared_ptr<Picture> StreamDecImp::Decode(const uint8_t* data, int32_t len) {
    if (!data || len <= 0 || len > kMaxInput) {
        return {};
    }
    const size_t need = static_cast<size_t>(len) + AV_INPUT_BUFFER_PADDING_SIZE;
    if (!input_ || !av_buffer_is_writable(input_.get()) || static_cast<size_t>(input_->size) < need) {
        input_.reset(av_buffer_alloc(std::max(need, kInitialInput)));
        if (!input_) {
            return {};
        }
    }
    std::memcpy(input_->data, data, static_cast<size_t>(len));
    std::memset(input_->data + len, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    AVPacket* packet = packet_.get();
    packet->buf = av_buffer_ref(input_.get());
    if (!packet->buf) {
        return {};
    }
    packet->data = input_->data;
    packet->size = len;
    int rc = avcodec_send_packet(codec_.get(), packet);
    av_packet_unref(packet);
    if (rc < 0 && rc != AVERROR(EAGAIN)) {
        return {};
    }
    // Normally one picture per frame; if several are ready the newest wins,
    // as a live display shows only the latest.
    boost::shared_ptr<Picture> newest;
    while (avcodec_receive_frame(codec_.get(), picture_.get()) == 0) {
        const AVFrame* yuv = converter_.convert(picture_.get());
        if (yuv) {
            boost::shared_ptr<Picture> picture = AvPicture::make(yuv);
            if (picture) {
                newest = picture;
            }
        }
        av_frame_unref(picture_.get());
    }
    return newest;
}

}  // namespace

boost::shared_ptr<StreamDec> CreateDec(const DecOpt* opt) {
    if (!opt || opt->codec != CODEC_ID_H264) {
        return {};
    }
    try {
        return StreamDecImp::create(AV_CODEC_ID_H264);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace AVC
