#include <ov/avc/h264_enc.h>

#include <limits>
#include <new>

extern "C" {
#include <libavutil/opt.h>
}

#include "av_handles.h"
#include "ffmpeg_setup.h"

namespace AVC {
namespace {

constexpr int kMaxSide = 8192;
constexpr int64_t kKeyIntervalMs = 2000;
// Rate control needs a frame rate; the pictures' own time stamps decide the
// key frames. Live sources of this system run at 25 per second.
constexpr int kNominalFps = 25;
// libx264 would place a key frame of its own only when time stamps stall.
constexpr int kBackstopGop = 250;

void keepBorrowed(void*, uint8_t*) {}

class H264EncImp final : public H264Enc {
public:
    static boost::shared_ptr<H264Enc> create(int width, int height);

    int32_t SetOutput(PacketCallback onPacket) override {
        onPacket_ = std::move(onPacket);
        return 0;
    }

    int32_t Encode(const DecFrame* frame) override;

private:
    int32_t drain();

    int width_ = 0;  // size the caller gives
    int height_ = 0;
    AvCodecPtr codec_;
    AvFramePtr picture_;
    AvPacketPtr packet_;
    // Lends the caller's planes to libavcodec as a reference-counted buffer
    // that frees nothing, so sending a picture does not copy it. Safe because
    // libx264 copies the picture into its own frame before Encode returns.
    AvBufferPtr borrowed_;
    int64_t lastPts_ = std::numeric_limits<int64_t>::min();
    int64_t lastKeyPts_ = std::numeric_limits<int64_t>::min();
    Packet out_{};
    PacketCallback onPacket_;
};

boost::shared_ptr<H264Enc> H264EncImp::create(int width, int height) {
    if (width < 2 || height < 2 || width > kMaxSide || height > kMaxSide) {
        return {};
    }
    ffmpegSetup();
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) {
        return {};
    }
    boost::shared_ptr<H264EncImp> enc(new H264EncImp);
    enc->width_ = width;
    enc->height_ = height;
    enc->codec_.reset(avcodec_alloc_context3(codec));
    AVCodecContext* c = enc->codec_.get();
    if (!c) {
        return {};
    }
    // 4:2:0 needs even sides; an odd last row or column is left out
    c->width = width & ~1;
    c->height = height & ~1;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, 1000};
    c->framerate = AVRational{kNominalFps, 1};
    c->gop_size = kBackstopGop;
    c->max_b_frames = 0;
    // One thread per encoder: up to eight live channels share two cores, and
    // each already runs on a worker of its own.
    c->thread_count = 1;
    // no global header: libx264 then repeats SPS and PPS in front of every IDR picture
    av_opt_set(c->priv_data, "preset", "ultrafast", 0);
    av_opt_set(c->priv_data, "tune", "zerolatency", 0);
    av_opt_set(c->priv_data, "crf", "23", 0);
    av_opt_set_int(c->priv_data, "forced-idr", 1, 0);
    if (avcodec_open2(c, codec, nullptr) < 0) {
        return {};
    }
    enc->picture_.reset(av_frame_alloc());
    enc->packet_.reset(av_packet_alloc());
    static uint8_t anchor = 0;
    enc->borrowed_.reset(av_buffer_create(&anchor, 1, keepBorrowed, nullptr, AV_BUFFER_FLAG_READONLY));
    if (!enc->picture_ || !enc->packet_ || !enc->borrowed_) {
        return {};
    }
    return enc;
}

int32_t H264EncImp::Encode(const DecFrame* frame) {
    if (!frame || frame->width != width_ || frame->height != height_) {
        return -1;
    }
    const int chromaWidth = (width_ + 1) / 2;
    if (!frame->data[0] || !frame->data[1] || !frame->data[2] || frame->linesize[0] < width_ ||
        frame->linesize[1] < chromaWidth || frame->linesize[2] < chromaWidth) {
        return -1;
    }
    AVFrame* picture = picture_.get();
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = codec_->width;
    picture->height = codec_->height;
    for (int i = 0; i < 3; ++i) {
        picture->data[i] = const_cast<uint8_t*>(frame->data[i]);
        picture->linesize[i] = frame->linesize[i];
    }
    picture->buf[0] = av_buffer_ref(borrowed_.get());
    if (!picture->buf[0]) {
        av_frame_unref(picture);
        return -1;
    }
    // libx264 wants strictly increasing time stamps
    picture->pts =
        (lastPts_ != std::numeric_limits<int64_t>::min() && frame->pts <= lastPts_) ? lastPts_ + 1 : frame->pts;
    lastPts_ = picture->pts;
    const bool key = lastKeyPts_ == std::numeric_limits<int64_t>::min() || picture->pts < lastKeyPts_ ||
                     picture->pts - lastKeyPts_ >= kKeyIntervalMs;
    if (key) {
        lastKeyPts_ = picture->pts;
    }
    picture->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    int rc = avcodec_send_frame(codec_.get(), picture);
    av_frame_unref(picture);
    if (rc < 0) {
        return -1;
    }
    return drain();
}

int32_t H264EncImp::drain() {
    for (;;) {
        int rc = avcodec_receive_packet(codec_.get(), packet_.get());
        if (rc == AVERROR(EAGAIN)) {
            return 0;
        }
        if (rc < 0) {
            return -1;
        }
        out_.data = packet_->data;
        out_.size = packet_->size;
        out_.pts = packet_->pts;
        out_.key = (packet_->flags & AV_PKT_FLAG_KEY) ? 1 : 0;
        if (onPacket_) {
            onPacket_(&out_);
        }
        av_packet_unref(packet_.get());
    }
}

}  // namespace

boost::shared_ptr<H264Enc> CreateH264Enc(int width, int height) {
    try {
        return H264EncImp::create(width, height);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace AVC
