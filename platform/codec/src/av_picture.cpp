#include "av_picture.h"

#include <new>

extern "C" {
#include <libavutil/imgutils.h>
}

namespace AVC {

boost::shared_ptr<Picture> AvPicture::make(const AVFrame* yuv420p) {
    boost::shared_ptr<AvPicture> picture(new AvPicture);
    picture->frame_.reset(av_frame_alloc());
    if (!picture->frame_ || av_frame_ref(picture->frame_.get(), yuv420p) < 0) {
        return {};
    }
    const AVFrame* f = picture->frame_.get();
    picture->view_.pts = 0;
    picture->view_.width = f->width;
    picture->view_.height = f->height;
    for (int i = 0; i < 3; ++i) {
        picture->view_.data[i] = f->data[i];
        picture->view_.linesize[i] = f->linesize[i];
    }
    return picture;
}

const uint8_t* AvPicture::Data() const {
    std::call_once(packOnce_, [this] {
        const AVFrame* f = frame_.get();
        int size = av_image_get_buffer_size(AV_PIX_FMT_YUV420P, f->width, f->height, 1);
        if (size <= 0) {
            return;
        }
        packed_.resize(static_cast<size_t>(size));
        av_image_copy_to_buffer(packed_.data(), size, f->data, f->linesize, AV_PIX_FMT_YUV420P, f->width, f->height, 1);
    });
    return packed_.empty() ? nullptr : packed_.data();
}

}  // namespace AVC
