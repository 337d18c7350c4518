#include <pstest/media_sample.h>

#include <cmath>
#include <memory>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace pstest {

namespace {

struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

void check(int result, const char* what) {
    if (result < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(result, text, sizeof text);
        throw std::runtime_error(std::string(what) + ": " + text);
    }
}

// Drains the encoder into units.
void drain(AVCodecContext* codec, AVPacket* packet, int64_t msPerTick, int64_t ticksDivisor,
           std::vector<AccessUnit>& units) {
    for (;;) {
        const int result = avcodec_receive_packet(codec, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return;
        }
        check(result, "avcodec_receive_packet");
        AccessUnit unit;
        unit.bytes.assign(packet->data, packet->data + packet->size);
        unit.key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        unit.ptsMs = packet->pts * msPerTick / ticksDivisor;
        units.push_back(std::move(unit));
        av_packet_unref(packet);
    }
}

uint32_t hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352d;
    x ^= x >> 15;
    x *= 0x846ca68b;
    x ^= x >> 16;
    return x;
}

// A textured picture that slides two pixels a frame, over a gradient that
// drifts, plus a little fresh noise: predictable enough for P-frames to be
// smaller than key frames, busy enough for realistic sizes.
void paint(AVFrame* frame, int index) {
    for (int y = 0; y < frame->height; ++y) {
        uint8_t* row = frame->data[0] + y * frame->linesize[0];
        for (int x = 0; x < frame->width; ++x) {
            const uint32_t texture = hash(uint32_t((x + 2 * index) / 2) * 7919u + uint32_t(y / 2) * 104729u) & 0x3F;
            const uint32_t noise = hash(uint32_t(index) * 2654435761u ^ uint32_t(y * frame->width + x)) & 0x07;
            row[x] = uint8_t((x + y + index) / 4 + texture + noise);
        }
    }
    for (int plane = 1; plane < 3; ++plane) {
        for (int y = 0; y < frame->height / 2; ++y) {
            uint8_t* row = frame->data[plane] + y * frame->linesize[plane];
            for (int x = 0; x < frame->width / 2; ++x) {
                row[x] = uint8_t(128 + ((x * plane + y + index) & 0x1F));
            }
        }
    }
}

}  // namespace

std::vector<AccessUnit> encodeVideo(const VideoParams& wanted) {
    av_log_set_level(AV_LOG_ERROR);
    const AVCodec* encoder = avcodec_find_encoder_by_name(wanted.encoder.c_str());
    if (encoder == nullptr) {
        throw std::runtime_error("no encoder " + wanted.encoder);
    }
    std::unique_ptr<AVCodecContext, CodecDeleter> codec(avcodec_alloc_context3(encoder));
    codec->width = wanted.width;
    codec->height = wanted.height;
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->time_base = AVRational{1, wanted.fps};
    codec->framerate = AVRational{wanted.fps, 1};
    codec->gop_size = wanted.gop;
    codec->max_b_frames = 0;
    codec->thread_count = 1;  // the same bytes on every run
    if (wanted.bitRate > 0) {
        codec->bit_rate = wanted.bitRate;
        codec->rc_max_rate = wanted.bitRate * 3 / 2;
        codec->rc_buffer_size = int(wanted.bitRate);
    }
    if (wanted.encoder == "libx264") {
        av_opt_set(codec->priv_data, "preset", wanted.preset.c_str(), 0);
        std::string params = "bframes=0";
        if (!wanted.x264Params.empty()) {
            params += ":" + wanted.x264Params;
        }
        av_opt_set(codec->priv_data, "x264-params", params.c_str(), 0);
    }
    check(avcodec_open2(codec.get(), encoder, nullptr), "avcodec_open2");

    std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    frame->format = codec->pix_fmt;
    frame->width = wanted.width;
    frame->height = wanted.height;
    check(av_frame_get_buffer(frame.get(), 0), "av_frame_get_buffer");
    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    std::vector<AccessUnit> units;
    for (int i = 0; i < wanted.frames; ++i) {
        check(av_frame_make_writable(frame.get()), "av_frame_make_writable");
        paint(frame.get(), i);
        frame->pts = i;
        check(avcodec_send_frame(codec.get(), frame.get()), "avcodec_send_frame");
        drain(codec.get(), packet.get(), 1000, wanted.fps, units);
    }
    check(avcodec_send_frame(codec.get(), nullptr), "avcodec_send_frame");
    drain(codec.get(), packet.get(), 1000, wanted.fps, units);
    return units;
}

std::vector<AccessUnit> encodeMp2(int seconds) {
    av_log_set_level(AV_LOG_ERROR);
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MP2);
    if (encoder == nullptr) {
        throw std::runtime_error("no mp2 encoder");
    }
    std::unique_ptr<AVCodecContext, CodecDeleter> codec(avcodec_alloc_context3(encoder));
    codec->sample_fmt = AV_SAMPLE_FMT_S16;
    codec->sample_rate = 48000;
    codec->bit_rate = 128000;
    av_channel_layout_default(&codec->ch_layout, 2);
    codec->time_base = AVRational{1, 48000};
    check(avcodec_open2(codec.get(), encoder, nullptr), "avcodec_open2");

    std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    frame->format = codec->sample_fmt;
    frame->nb_samples = codec->frame_size;
    frame->sample_rate = codec->sample_rate;
    check(av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout), "av_channel_layout_copy");
    check(av_frame_get_buffer(frame.get(), 0), "av_frame_get_buffer");
    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    std::vector<AccessUnit> units;
    const int64_t total = int64_t(seconds) * codec->sample_rate;
    for (int64_t at = 0; at + codec->frame_size <= total; at += codec->frame_size) {
        check(av_frame_make_writable(frame.get()), "av_frame_make_writable");
        int16_t* samples = reinterpret_cast<int16_t*>(frame->data[0]);
        for (int i = 0; i < codec->frame_size; ++i) {
            const int16_t value = int16_t(8000 * std::sin(2 * M_PI * 440.0 * double(at + i) / 48000.0));
            samples[2 * i] = value;
            samples[2 * i + 1] = value;
        }
        frame->pts = at;
        check(avcodec_send_frame(codec.get(), frame.get()), "avcodec_send_frame");
        drain(codec.get(), packet.get(), 1000, 48000, units);
    }
    check(avcodec_send_frame(codec.get(), nullptr), "avcodec_send_frame");
    drain(codec.get(), packet.get(), 1000, 48000, units);
    return units;
}

std::vector<int> nalTypes(const std::vector<uint8_t>& unit) {
    std::vector<int> types;
    for (size_t i = 0; i + 3 < unit.size(); ++i) {
        if (unit[i] == 0 && unit[i + 1] == 0 && unit[i + 2] == 1) {
            types.push_back(unit[i + 3] & 0x1F);
            i += 2;
        }
    }
    return types;
}

}  // namespace pstest
