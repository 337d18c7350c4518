#include <ov/avc/file_dec.h>

#include <limits>
#include <new>

#include "av_handles.h"
#include "ffmpeg_setup.h"
#include "yuv420p_converter.h"

namespace AVC {
namespace {

constexpr int64_t kDefaultFrameMs = 40;

class FileDecImp final : public FileDec {
public:
    static boost::shared_ptr<FileDec> open(const char* path);

    int32_t Start(DecFrameCallback onFrame) override {
        onFrame_ = std::move(onFrame);
        return 0;
    }

    int32_t Step() override;

private:
    // Hands out every picture the decoder has ready. AVERROR_EOF once drained.
    int deliver();
    int64_t timeStampMs(const AVFrame* picture);

    AvFormatPtr format_;
    AvCodecPtr codec_;
    int stream_ = -1;
    AVRational timeBase_{1, 1000};
    int64_t startTime_ = 0;
    int64_t frameMs_ = kDefaultFrameMs;
    int64_t lastMs_ = std::numeric_limits<int64_t>::min();
    AvPacketPtr packet_;
    AvFramePtr picture_;
    Yuv420pConverter converter_;
    DecFrame out_{};
    DecFrameCallback onFrame_;
    bool flushing_ = false;
    bool finished_ = false;
};

boost::shared_ptr<FileDec> FileDecImp::open(const char* path) {
    if (!path || !*path) {
        return {};
    }
    ffmpegSetup();
    boost::shared_ptr<FileDecImp> dec(new FileDecImp);
    AVDictionary* options = nullptr;
    // a "file" device is a file on the local disk; URLs would block on networks without a deadline
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* format = nullptr;
    int rc = avformat_open_input(&format, path, nullptr, &options);
    av_dict_free(&options);
    if (rc < 0) {
        return {};
    }
    dec->format_.reset(format);
    if (avformat_find_stream_info(format, nullptr) < 0) {
        return {};
    }
    const AVCodec* codec = nullptr;
    dec->stream_ = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (dec->stream_ < 0 || !codec) {
        return {};
    }
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (static_cast<int>(i) != dec->stream_) {
            format->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    AVStream* stream = format->streams[dec->stream_];
    dec->codec_.reset(avcodec_alloc_context3(codec));
    if (!dec->codec_ || avcodec_parameters_to_context(dec->codec_.get(), stream->codecpar) < 0) {
        return {};
    }
    // one thread: a file channel decodes on its own worker, several channels side by side
    dec->codec_->thread_count = 1;
    dec->codec_->pkt_timebase = stream->time_base;
    if (avcodec_open2(dec->codec_.get(), codec, nullptr) < 0) {
        return {};
    }
    dec->timeBase_ = stream->time_base;
    dec->startTime_ = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) {
        int64_t ms = av_rescale(1000, rate.den, rate.num);
        if (ms > 0 && ms <= 1000) {
            dec->frameMs_ = ms;
        }
    }
    dec->packet_.reset(av_packet_alloc());
    dec->picture_.reset(av_frame_alloc());
    if (!dec->packet_ || !dec->picture_) {
        return {};
    }
    return dec;
}

int64_t FileDecImp::timeStampMs(const AVFrame* picture) {
    int64_t ms;
    if (picture->best_effort_timestamp != AV_NOPTS_VALUE) {
        ms = av_rescale_q(picture->best_effort_timestamp - startTime_, timeBase_, AVRational{1, 1000});
    } else if (lastMs_ != std::numeric_limits<int64_t>::min()) {
        ms = lastMs_ + frameMs_;  // a picture without time: one frame after the last
    } else {
        ms = 0;
    }
    lastMs_ = ms;
    return ms;
}

int FileDecImp::deliver() {
    for (;;) {
        int rc = avcodec_receive_frame(codec_.get(), picture_.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
            return rc == AVERROR_EOF ? rc : 0;
        }
        if (rc < 0) {
            return 0;  // a damaged picture; the decoder goes on with the next packet
        }
        const AVFrame* yuv = converter_.convert(picture_.get());
        if (yuv) {
            out_.pts = timeStampMs(picture_.get());
            out_.width = yuv->width;
            out_.height = yuv->height;
            for (int i = 0; i < 3; ++i) {
                out_.data[i] = yuv->data[i];
                out_.linesize[i] = yuv->linesize[i];
            }
            if (onFrame_) {
                onFrame_(&out_);
            }
        }
        av_frame_unref(picture_.get());
    }
}

int32_t FileDecImp::Step() {
    if (finished_) {
        return -1;
    }
    // pictures left behind when the receiver threw during the last step
    if (deliver() == AVERROR_EOF) {
        finished_ = true;
        return -1;
    }
    while (!flushing_) {
        int rc = av_read_frame(format_.get(), packet_.get());
        if (rc < 0) {
            // the end, or a read error that ends the file just the same
            flushing_ = true;
            avcodec_send_packet(codec_.get(), nullptr);
            break;
        }
        if (packet_->stream_index != stream_) {
            av_packet_unref(packet_.get());
            continue;
        }
        // a packet the decoder rejects is damaged; the next key frame recovers
        avcodec_send_packet(codec_.get(), packet_.get());
        av_packet_unref(packet_.get());
        break;
    }
    if (deliver() == AVERROR_EOF) {
        finished_ = true;
        return -1;
    }
    return 0;
}

}  // namespace

boost::shared_ptr<FileDec> CreateFileDec(const char* path) {
    try {
        return FileDecImp::open(path);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace AVC
