#include "yuv420p_converter.h"

namespace AVC {

const AVFrame* Yuv420pConverter::convert(const AVFrame* picture) {
    if (picture->format == AV_PIX_FMT_YUV420P) {
        return picture;
    }
    if (picture->width <= 0 || picture->height <= 0 || picture->format < 0) {
        return nullptr;
    }
    if (!converted_) {
        converted_.reset(av_frame_alloc());
        if (!converted_) {
            return nullptr;
        }
    }
    AVFrame* out = converted_.get();
    // A picture handed out earlier may still hold the buffer; then it gets a
    // fresh one and keeps the old.
    if (out->width != picture->width || out->height != picture->height || !av_frame_is_writable(out)) {
        av_frame_unref(out);
        out->format = AV_PIX_FMT_YUV420P;
        out->width = picture->width;
        out->height = picture->height;
        if (av_frame_get_buffer(out, 0) < 0) {
            av_frame_unref(out);
            return nullptr;
        }
    }
    scaler_.reset(sws_getCachedContext(scaler_.release(), picture->width, picture->height,
                                       static_cast<AVPixelFormat>(picture->format), out->width, out->height,
                                       AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler_) {
        return nullptr;
    }
    sws_scale(scaler_.get(), picture->data, picture->linesize, 0, picture->height, out->data, out->linesize);
    out->pts = picture->pts;
    out->best_effort_timestamp = picture->best_effort_timestamp;
    return out;
}

}  // namespace AVC
