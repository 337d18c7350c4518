#include <ov/avc/yuv_render.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <new>

#include <ov/window/yuv_painter.h>

namespace AVC {
namespace {

class YuvRenderImp final : public YuvRender {
public:
    explicit YuvRenderImp(std::unique_ptr<ovwin::YuvPainter> painter) : painter_(std::move(painter)) {}

    int32_t Render(boost::shared_ptr<Picture> picture) override;

private:
    std::mutex mutex_;  // the painter serves one thread at a time
    std::unique_ptr<ovwin::YuvPainter> painter_;
};

int32_t YuvRenderImp::Render(boost::shared_ptr<Picture> picture) {
    if (!picture) {
        return -1;
    }
    const uint8_t* planes[3];
    int32_t strides[3];
    int32_t width;
    int32_t height;
    if (const DecFrame* frame = picture->Frame()) {
        for (int i = 0; i < 3; ++i) {
            planes[i] = frame->data[i];
            strides[i] = frame->linesize[i];
        }
        width = frame->width;
        height = frame->height;
    } else {
        // a picture that offers only the packed block
        const uint8_t* data = picture->Data();
        width = picture->Width();
        height = picture->Height();
        if (!data || width <= 0 || height <= 0) {
            return -1;
        }
        const int32_t chromaWidth = (width + 1) / 2;
        const int32_t chromaHeight = (height + 1) / 2;
        planes[0] = data;
        planes[1] = data + static_cast<size_t>(width) * height;
        planes[2] = planes[1] + static_cast<size_t>(chromaWidth) * chromaHeight;
        strides[0] = width;
        strides[1] = strides[2] = chromaWidth;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    return painter_->show(planes, strides, width, height) ? 0 : -1;
}

}  // namespace

boost::shared_ptr<YuvRender> CreateYuvRender(void* window) {
    try {
        std::unique_ptr<ovwin::YuvPainter> painter =
            ovwin::YuvPainter::create(static_cast<ovwin::WindowId>(reinterpret_cast<std::uintptr_t>(window)));
        if (!painter) {
            return {};
        }
        return boost::shared_ptr<YuvRender>(new YuvRenderImp(std::move(painter)));
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace AVC
