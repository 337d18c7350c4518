#include <pstest/ffmpeg_ps.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace pstest {

namespace {

void check(int result, const char* what) {
    if (result < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(result, text, sizeof text);
        throw std::runtime_error(std::string(what) + ": " + text);
    }
}

int writeOutput(void* opaque, uint8_t* bytes, int size) {
    (*static_cast<const PsSinkFn*>(opaque))(bytes, size_t(size));
    return size;
}

struct Source {
    const uint8_t* data;
    size_t size;
    size_t pos;
    size_t chunk;
};

int readInput(void* opaque, uint8_t* bytes, int size) {
    auto* source = static_cast<Source*>(opaque);
    const size_t count = std::min({size_t(size), source->chunk, source->size - source->pos});
    if (count == 0) {
        return AVERROR_EOF;
    }
    std::memcpy(bytes, source->data + source->pos, count);
    source->pos += count;
    return int(count);
}

AVCodecID videoCodec(PsVideoTag tag) {
    switch (tag) {
        case PsVideoTag::H264:
            return AV_CODEC_ID_H264;
        case PsVideoTag::Mpeg2:
            return AV_CODEC_ID_MPEG2VIDEO;
        case PsVideoTag::Mpeg4:
            break;
    }
    return AV_CODEC_ID_MPEG4;
}

}  // namespace

std::vector<uint8_t> ffmpegWritePs(const std::vector<AccessUnit>& video, PsVideoTag tag,
                                   const std::vector<AccessUnit>& audio, int width, int height, int ioChunk) {
    std::vector<uint8_t> out;
    size_t total = 0;
    for (const auto& unit : video) {
        total += unit.bytes.size();
    }
    for (const auto& unit : audio) {
        total += unit.bytes.size();
    }
    out.reserve(total + total / 8 + 65536);
    ffmpegWritePs(video, tag, audio, width, height, ioChunk,
                  [&out](const uint8_t* bytes, size_t size) { out.insert(out.end(), bytes, bytes + size); });
    return out;
}

void ffmpegWritePs(const std::vector<AccessUnit>& video, PsVideoTag tag, const std::vector<AccessUnit>& audio,
                   int width, int height, int ioChunk, const PsSinkFn& sink) {
    av_log_set_level(AV_LOG_FATAL);  // the muxer complains about buffer models it does not need here
    AVFormatContext* context = nullptr;
    check(avformat_alloc_output_context2(&context, nullptr, "vob", nullptr), "avformat_alloc_output_context2");
    auto* ioBuffer = static_cast<uint8_t*>(av_malloc(size_t(ioChunk)));
    context->pb = avio_alloc_context(ioBuffer, ioChunk, 1, const_cast<PsSinkFn*>(&sink), nullptr, writeOutput, nullptr);
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    try {
        AVStream* videoStream = avformat_new_stream(context, nullptr);
        videoStream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        videoStream->codecpar->codec_id = videoCodec(tag);
        videoStream->codecpar->width = width;
        videoStream->codecpar->height = height;
        videoStream->time_base = AVRational{1, 90000};
        AVStream* audioStream = nullptr;
        if (!audio.empty()) {
            audioStream = avformat_new_stream(context, nullptr);
            audioStream->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
            audioStream->codecpar->codec_id = AV_CODEC_ID_MP2;
            audioStream->codecpar->sample_rate = 48000;
            audioStream->codecpar->bit_rate = 128000;
            av_channel_layout_default(&audioStream->codecpar->ch_layout, 2);
            audioStream->time_base = AVRational{1, 90000};
        }
        check(avformat_write_header(context, nullptr), "avformat_write_header");
        AVPacket* packet = av_packet_alloc();
        size_t v = 0;
        size_t a = 0;
        while (v < video.size() || a < audio.size()) {
            const bool takeVideo = a >= audio.size() || (v < video.size() && video[v].ptsMs <= audio[a].ptsMs);
            const AccessUnit& unit = takeVideo ? video[v++] : audio[a++];
            AVStream* stream = takeVideo ? videoStream : audioStream;
            packet->data = const_cast<uint8_t*>(unit.bytes.data());
            packet->size = int(unit.bytes.size());
            packet->stream_index = stream->index;
            packet->pts = av_rescale_q(unit.ptsMs, AVRational{1, 1000}, stream->time_base);
            packet->dts = packet->pts;
            packet->flags = unit.key ? AV_PKT_FLAG_KEY : 0;
            const int result = av_write_frame(context, packet);
            if (result < 0) {
                av_packet_free(&packet);
                check(result, "av_write_frame");
            }
        }
        av_packet_free(&packet);
        check(av_write_trailer(context), "av_write_trailer");
    } catch (...) {
        av_freep(&context->pb->buffer);
        avio_context_free(&context->pb);
        avformat_free_context(context);
        throw;
    }
    av_freep(&context->pb->buffer);
    avio_context_free(&context->pb);
    avformat_free_context(context);
}

void ffmpegReadPs(const uint8_t* data, size_t size, size_t chunk, bool parse, const PsPacketFn& onPacket) {
    av_log_set_level(AV_LOG_FATAL);
    Source source{data, size, 0, chunk};
    const int ioSize = 32768;
    auto* ioBuffer = static_cast<uint8_t*>(av_malloc(ioSize));
    AVIOContext* io = avio_alloc_context(ioBuffer, ioSize, 0, &source, readInput, nullptr, nullptr);
    AVFormatContext* context = avformat_alloc_context();
    context->pb = io;
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (!parse) {
        context->flags |= AVFMT_FLAG_NOPARSE;
    }
    const int opened = avformat_open_input(&context, nullptr, av_find_input_format("mpeg"), nullptr);
    if (opened < 0) {
        av_freep(&io->buffer);
        avio_context_free(&io);
        check(opened, "avformat_open_input");
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(context, packet) >= 0) {
        const AVCodecParameters* codec = context->streams[packet->stream_index]->codecpar;
        onPacket(codec->codec_type, codec->codec_id, packet->pts, packet->data, packet->size);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&context);
    av_freep(&io->buffer);
    avio_context_free(&io);
}

std::vector<PsPacket> ffmpegReadPs(const uint8_t* data, size_t size, size_t chunk, bool parse) {
    std::vector<PsPacket> packets;
    ffmpegReadPs(data, size, chunk, parse,
                 [&packets](int codecType, int codecId, int64_t pts, const uint8_t* bytes, int length) {
                     packets.push_back(PsPacket{codecType, codecId, pts, std::vector<uint8_t>(bytes, bytes + length)});
                 });
    return packets;
}

std::vector<uint8_t> joinPayload(const std::vector<PsPacket>& packets, int codecType) {
    std::vector<uint8_t> joined;
    for (const auto& packet : packets) {
        if (packet.codecType == codecType) {
            joined.insert(joined.end(), packet.data.begin(), packet.data.end());
        }
    }
    return joined;
}

}  // namespace pstest
