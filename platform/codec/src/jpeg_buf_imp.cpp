#include <ov/avc/jpeg_buf.h>

#include <turbojpeg.h>

#include <memory>
#include <new>

namespace AVC {
namespace {

constexpr int kMaxSide = 16384;

class JpegBufImp final : public JpegBuf {
public:
    JpegBufImp(unsigned char* data, unsigned long size) : data_(data), size_(static_cast<int32_t>(size)) {}
    ~JpegBufImp() { tjFree(data_); }
    JpegBufImp(const JpegBufImp&) = delete;
    JpegBufImp& operator=(const JpegBufImp&) = delete;

    const uint8_t* Data() const override { return data_; }
    int32_t Size() const override { return size_; }

private:
    unsigned char* data_;
    int32_t size_;
};

struct TjDestroy {
    void operator()(void* handle) const { tjDestroy(handle); }
};

// A compressor per thread, made on first use: setting one up costs more than
// a small picture's encoding.
tjhandle threadCompressor() {
    thread_local std::unique_ptr<void, TjDestroy> handle(tjInitCompress());
    return handle.get();
}

}  // namespace

boost::shared_ptr<JpegBuf> yuv420p_to_jpeg(const void* data, int width, int height) {
    if (!data || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        return {};
    }
    try {
        tjhandle compressor = threadCompressor();
        if (!compressor) {
            return {};
        }
        unsigned char* jpeg = nullptr;
        unsigned long size = 0;
        // straight from the planes: no colour conversion, as the picture is already YCbCr 4:2:0
        if (tjCompressFromYUV(compressor, static_cast<const unsigned char*>(data), width, 1, height, TJSAMP_420, &jpeg,
                              &size, kJpegQuality, 0) != 0) {
            tjFree(jpeg);
            return {};
        }
        std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(jpeg, tjFree);
        boost::shared_ptr<JpegBuf> result(new JpegBufImp(jpeg, size));
        owned.release();
        return result;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace AVC
