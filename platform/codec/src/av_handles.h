#pragma once

// Owning handles for FFmpeg objects, so every exit path frees them.

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace AVC {

struct AvFrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct AvPacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct AvCodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct AvFormatClose {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct AvBufferUnref {
    void operator()(AVBufferRef* b) const { av_buffer_unref(&b); }
};
struct SwsFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

using AvFramePtr = std::unique_ptr<AVFrame, AvFrameFree>;
using AvPacketPtr = std::unique_ptr<AVPacket, AvPacketFree>;
using AvCodecPtr = std::unique_ptr<AVCodecContext, AvCodecFree>;
using AvFormatPtr = std::unique_ptr<AVFormatContext, AvFormatClose>;
using AvBufferPtr = std::unique_ptr<AVBufferRef, AvBufferUnref>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFree>;

}  // namespace AVC
