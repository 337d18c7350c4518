#pragma once

#include <cstdint>
#include <cstdio>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>
#include <boost/weak_ptr.hpp>

#include <ov/avc/picture.h>
#include <ov/avc/stream_dec.h>
#include <ov/avc/yuv_render.h>
#include <ov/contracts.h>
#include <psmux/ps_muxer.h>

#include "frame_cache.h"

namespace local {

// The live decoder of H.264 frames (stream type 0): shows them in a window at
// an even pace, captures the current picture as JPEG and records the incoming
// frames as a program stream with the Hik muxer.
//
// The decoder's own event-loop thread does all decoding, rendering and
// capturing; the host's threads only post to it. Recording runs on the
// thread that feeds the data, under the save lock.
class H264LiveDec : public OV::LivePlayDec {
public:
    // How long Capture waits for the event loop; a capture that needs to
    // decode a whole group of pictures first takes a fraction of this.
    static constexpr int kCaptureWaitMs = 10000;
    // The record clock advances this much per recorded frame: the streams of
    // this system run at 25 pictures per second.
    static constexpr uint64_t kRecordStepMs = 40;

    H264LiveDec();
    ~H264LiveDec();
    H264LiveDec(const H264LiveDec&) = delete;
    H264LiveDec& operator=(const H264LiveDec&) = delete;

    // 0; -1 when the decoder or the renderer cannot be made (no display, a
    // window id that names no window). Rendering starts 40 ms later.
    int32_t SetWnd(OV::WindowHandle wnd) override;
    // One H.264 access unit in byte-stream form; the stream type is not read.
    // 0; -1 for a null or empty block.
    int32_t InputData(int32_t streamType, const uint8_t* data, int32_t len) override;
    // The picture shown last. Without a window (none set, or it could not be
    // used) the frames held since the newest key frame are decoded first.
    // Empty before any picture, when the conversion fails, or when called on
    // the decoder's own thread.
    boost::shared_ptr<OV::JpegData> Capture() override;
    // 0; -1 when the file or the muxer cannot be made, or while a recording runs.
    int32_t StartSave(const char* path) override;
    int32_t StopSave() override;
    int32_t OpenSound() override { return -1; }
    int32_t CloseSound() override { return -1; }

private:
    struct Ctx {
        FrameCache cache;
        boost::shared_ptr<AVC::StreamDec> dec;
        boost::shared_ptr<AVC::YuvRender> render;
        boost::shared_ptr<AVC::Picture> picture;
        bool ticking = false;  // a render tick chain runs
    };

    void runLoop();
    void installWindow(boost::shared_ptr<AVC::StreamDec> dec, boost::shared_ptr<AVC::YuvRender> render);
    static void addFrame(const boost::shared_ptr<Ctx>& ctx, const boost::shared_ptr<H264Data>& data, int64_t arrivalMs);
    static void renderTick(const boost::weak_ptr<boost::asio::steady_timer>& weakTimer,
                           const boost::shared_ptr<Ctx>& ctx, const boost::system::error_code& error);
    static void decodeHeld(Ctx& ctx);
    static int32_t writeRecord(const void* data, int32_t length, const PsFrameInfo* info, void* user);

    boost::asio::io_context io_;
    boost::asio::executor_work_guard<boost::asio::io_context::executor_type> work_;
    boost::thread thread_;
    boost::shared_ptr<boost::asio::steady_timer> timer_;  // event-loop thread only
    boost::shared_ptr<Ctx> ctx_;
    boost::mutex saveMutex_;
    IPsmuxer* muxer_ = nullptr;
    std::FILE* file_ = nullptr;
    uint64_t recordClock_ = 0;
};

}  // namespace local
