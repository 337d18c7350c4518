#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>
#include <boost/weak_ptr.hpp>

#include <ov/avc/file_dec.h>
#include <ov/avc/h264_enc.h>
#include <ov/contracts.h>

#include "frame_pacer.h"
#include "loop_timeline.h"
#include "pace_clock.h"
#include "stop_signal.h"

namespace local {

// A media file played as a live camera: decoded, paced to its own time stamps,
// encoded again as H.264 and delivered as kind 1 frames; at its end the file
// starts again and the time line goes on.
//
// One worker thread per started channel does all of it. The worker and the
// codec callbacks hold the channel only weakly, and never across the pacing
// wait. The host's last release stops the worker and waits for its current
// step (at most one picture's decoding, encoding and callback): once it has
// returned, no frame is delivered any more. So the host must not hold, while
// it releases the channel, a lock its frame callback takes.
class FileLiveDec : public OV::LiveChan, public boost::enable_shared_from_this<FileLiveDec> {
public:
    struct Options {
        boost::shared_ptr<PaceClock> clock;  // empty: PaceClock::steady()
        // A file that cannot be opened again at the end of a loop (or that
        // gave no picture in a whole pass) is tried this many times in all,
        // with a pause between tries; then the worker ends and the channel
        // stays silent.
        int reopenTries = 5;
        std::chrono::milliseconds reopenPause{1000};
    };

    // Empty when the file cannot be opened. Nothing is read before Start. The
    // handle's last release ends the worker before it returns.
    static boost::shared_ptr<FileLiveDec> open(const std::string& path, const Options& options);
    static boost::shared_ptr<FileLiveDec> open(const std::string& path) { return open(path, Options()); }

    ~FileLiveDec();
    FileLiveDec(const FileLiveDec&) = delete;
    FileLiveDec& operator=(const FileLiveDec&) = delete;

    // Install before Start: the worker reads the callbacks without a lock.
    int32_t SetCallback(OV::FrameCallback onFrame, OV::FrameCallback second) override;
    // Starts the worker; a later call finds it started and changes nothing.
    // 0; -1 when no thread can be started.
    int32_t Start() override;
    int32_t MakeKeyFrame() override { return 0; }

    // Worker threads of file channels running in this process.
    static int runningWorkers();

private:
    FileLiveDec(const std::string& path, const Options& options);

    // Makes a new file decoder that reads the file from its beginning; -1
    // (and no file decoder) when the file cannot be opened.
    int32_t openFile();
    // Raises the stop signal and waits for the worker to end.
    void stopWorker() noexcept;

    static void runWorker(boost::weak_ptr<FileLiveDec> weak, boost::shared_ptr<StopSignal> stop,
                          boost::shared_ptr<PaceClock> clock, int reopenTries, std::chrono::milliseconds reopenPause);
    static void onPicture(const boost::weak_ptr<FileLiveDec>& weak, AVC::DecFrame* frame);
    static void onPacket(const boost::weak_ptr<FileLiveDec>& weak, AVC::Packet* packet);
    void encode(AVC::DecFrame* frame);

    std::string path_;
    OV::FrameCallback onFrame_;
    OV::FrameCallback second_;
    LoopTimeline timeline_;
    FramePacer pacer_;
    Options options_;
    boost::shared_ptr<StopSignal> stop_;
    boost::mutex startMutex_;
    boost::shared_ptr<boost::thread> worker_;
    boost::shared_ptr<AVC::FileDec> fileDec_;
    boost::shared_ptr<AVC::H264Enc> encoder_;
    int32_t encoderWidth_ = 0;
    int32_t encoderHeight_ = 0;
    bool playedPicture_ = false;  // since the file was last opened

    static std::atomic<int> running_;
};

}  // namespace local
