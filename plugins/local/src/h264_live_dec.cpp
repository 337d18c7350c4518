#include "h264_live_dec.h"

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>

#include <boost/asio/post.hpp>
#include <boost/thread/locks.hpp>

#include <ov/avc/jpeg_buf.h>

#include "jpeg_data_imp.h"

namespace local {
namespace {

// Arrival times come from the monotonic clock: the cadence only needs
// differences, and a time of day would jump at midnight and when set.
int64_t arrivalNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// One capture request: the event loop fills the result and signals.
struct GetJpegCtx {
    std::mutex mutex;
    std::condition_variable cond;
    bool done = false;
    boost::shared_ptr<OV::JpegData> result;
};

}  // namespace

constexpr int H264LiveDec::kCaptureWaitMs;
constexpr uint64_t H264LiveDec::kRecordStepMs;

H264LiveDec::H264LiveDec() : work_(io_.get_executor()), ctx_(new Ctx()) {
    thread_ = boost::thread(&H264LiveDec::runLoop, this);
}

H264LiveDec::~H264LiveDec() {
    work_.reset();
    io_.stop();
    if (thread_.joinable()) {
        thread_.join();
    }
    StopSave();
    // the timer goes before the loop it belongs to; jobs still queued (frames
    // not yet cached, the aborted tick) are discarded with the loop
    timer_.reset();
    ctx_.reset();
}

void H264LiveDec::runLoop() {
    for (;;) {
        try {
            io_.run();
            return;
        } catch (...) {
            // a job ran out of memory; the loop serves the next one
        }
    }
}

int32_t H264LiveDec::SetWnd(OV::WindowHandle wnd) {
    const AVC::DecOpt opt = {AVC::CODEC_ID_H264, 0, 0};
    boost::shared_ptr<AVC::StreamDec> dec = AVC::CreateDec(&opt);
    if (!dec) {
        return -1;
    }
    boost::shared_ptr<AVC::YuvRender> render = AVC::CreateYuvRender(reinterpret_cast<void*>(wnd));
    if (!render) {
        return -1;
    }
    // The loop thread is joined before this object goes, and jobs left in the
    // queue then are discarded unrun: the job may use the decoder itself.
    boost::asio::post(io_, [this, dec, render] { installWindow(dec, render); });
    return 0;
}

void H264LiveDec::installWindow(boost::shared_ptr<AVC::StreamDec> dec, boost::shared_ptr<AVC::YuvRender> render) {
    Ctx& ctx = *ctx_;
    ctx.render = render;
    // A decoder that already holds the stream's reference pictures (from
    // captures without a window) goes on; a new one would wait for a key frame.
    if (!ctx.dec) {
        ctx.dec = dec;
    }
    if (timer_) {
        return;  // the running tick chain renders into the new window from its next tick
    }
    timer_.reset(new boost::asio::steady_timer(io_));
    timer_->expires_after(std::chrono::milliseconds(FrameCache::kNominalIntervalMs));
    ctx.ticking = true;
    boost::weak_ptr<boost::asio::steady_timer> weakTimer = timer_;
    boost::shared_ptr<Ctx> shared = ctx_;
    timer_->async_wait(
        [weakTimer, shared](const boost::system::error_code& error) { renderTick(weakTimer, shared, error); });
}

int32_t H264LiveDec::InputData(int32_t, const uint8_t* data, int32_t len) {
    if (!data || len <= 0) {
        return -1;
    }
    const int64_t arrival = arrivalNowMs();
    boost::shared_ptr<H264Data> copy(new H264Data(data, len));
    boost::shared_ptr<Ctx> ctx = ctx_;
    boost::asio::post(io_, [ctx, copy, arrival] { addFrame(ctx, copy, arrival); });

    boost::lock_guard<boost::mutex> lock(saveMutex_);
    if (muxer_) {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        PsFrameInfo info{};
        // the recording's map always says key frame and 1920 x 1080, whatever
        // the stream holds; the Hik muxer reads the real size from the SPS
        info.key = 1;
        info.width = 1920;
        info.height = 1080;
        info.timestampMs = static_cast<int64_t>(recordClock_);
        info.year = static_cast<uint16_t>(local.tm_year + 1900);
        info.month = static_cast<uint16_t>(local.tm_mon + 1);
        info.day = static_cast<uint16_t>(local.tm_mday);
        info.hour = static_cast<uint16_t>(local.tm_hour);
        info.minute = static_cast<uint16_t>(local.tm_min);
        info.second = static_cast<uint16_t>(local.tm_sec);
        recordClock_ += kRecordStepMs;
        muxer_->InputFrame(data, len, &info);
    }
    return 0;
}

void H264LiveDec::addFrame(const boost::shared_ptr<Ctx>& ctx, const boost::shared_ptr<H264Data>& data,
                           int64_t arrivalMs) {
    ctx->cache.add(data, arrivalMs);
    if (!ctx->ticking) {
        // Nothing renders: keep only what a capture needs to decode the newest
        // picture, rather than every frame for as long as the stream runs.
        ctx->cache.dropBeforeNewestKey();
    }
}

void H264LiveDec::renderTick(const boost::weak_ptr<boost::asio::steady_timer>& weakTimer,
                             const boost::shared_ptr<Ctx>& ctx, const boost::system::error_code& error) {
    if (error == boost::asio::error::operation_aborted) {
        return;
    }
    boost::shared_ptr<boost::asio::steady_timer> timer = weakTimer.lock();
    if (!timer) {
        return;
    }
    PendingFrame frame;
    const bool taken = ctx->cache.takeOldest(&frame);
    // A steady cadence while frames come: the next tick is due one interval
    // after this one was, not after this one ran.
    if (taken) {
        timer->expires_at(timer->expiry() + std::chrono::milliseconds(ctx->cache.renderIntervalMs()));
    } else {
        timer->expires_after(std::chrono::milliseconds(ctx->cache.idleIntervalMs()));
    }
    timer->async_wait([weakTimer, ctx](const boost::system::error_code& next) { renderTick(weakTimer, ctx, next); });
    if (!taken || !ctx->dec) {
        return;
    }
    boost::shared_ptr<AVC::Picture> picture = ctx->dec->Decode(frame.data->data(), frame.data->size());
    if (picture) {
        ctx->picture = picture;
        if (ctx->render) {
            ctx->render->Render(picture);
        }
    }
}

void H264LiveDec::decodeHeld(Ctx& ctx) {
    if (!ctx.dec) {
        const AVC::DecOpt opt = {AVC::CODEC_ID_H264, 0, 0};
        ctx.dec = AVC::CreateDec(&opt);
        if (!ctx.dec) {
            return;
        }
    }
    PendingFrame frame;
    while (ctx.cache.takeOldest(&frame)) {
        boost::shared_ptr<AVC::Picture> picture = ctx.dec->Decode(frame.data->data(), frame.data->size());
        if (picture) {
            ctx.picture = picture;
        }
    }
}

boost::shared_ptr<OV::JpegData> H264LiveDec::Capture() {
    if (thread_.get_id() == boost::this_thread::get_id()) {
        return {};  // the job could never run while its own thread waits for it
    }
    boost::shared_ptr<GetJpegCtx> request(new GetJpegCtx());
    boost::shared_ptr<Ctx> ctx = ctx_;
    std::unique_lock<std::mutex> lock(request->mutex);
    boost::asio::post(io_, [ctx, request] {
        if (!ctx->ticking) {
            decodeHeld(*ctx);
        }
        boost::shared_ptr<OV::JpegData> result;
        if (ctx->picture) {
            boost::shared_ptr<AVC::JpegBuf> jpeg =
                AVC::yuv420p_to_jpeg(ctx->picture->Data(), ctx->picture->Width(), ctx->picture->Height());
            if (jpeg) {
                result.reset(new JpegDataImp(jpeg));
            }
        }
        std::lock_guard<std::mutex> done(request->mutex);
        request->result = result;
        request->done = true;
        request->cond.notify_one();
    });
    request->cond.wait_for(lock, std::chrono::milliseconds(kCaptureWaitMs), [&] { return request->done; });
    return request->result;
}

int32_t H264LiveDec::StartSave(const char* path) {
    if (!path || !*path) {
        return -1;
    }
    boost::lock_guard<boost::mutex> lock(saveMutex_);
    if (muxer_ || file_) {
        return -1;  // one recording at a time; the running one goes on untouched
    }
    file_ = std::fopen(path, "wb");
    if (!file_) {
        return -1;
    }
    muxer_ = CreatePsMuxer(&H264LiveDec::writeRecord, this, PS_MUXER_HIK);
    if (!muxer_) {
        std::fclose(file_);
        file_ = nullptr;
        return -1;
    }
    // the record clock goes on: a second recording continues the first one's time line
    return 0;
}

int32_t H264LiveDec::StopSave() {
    boost::lock_guard<boost::mutex> lock(saveMutex_);
    if (muxer_) {
        muxer_->Release();
        muxer_ = nullptr;
    }
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    return 0;
}

int32_t H264LiveDec::writeRecord(const void* data, int32_t length, const PsFrameInfo*, void* user) {
    // called by the muxer under the save lock
    H264LiveDec* self = static_cast<H264LiveDec*>(user);
    if (self->file_ && length > 0) {
        std::fwrite(data, 1, static_cast<size_t>(length), self->file_);
    }
    return 0;
}

}  // namespace local
