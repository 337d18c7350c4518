#include "file_live_dec.h"

namespace local {

std::atomic<int> FileLiveDec::running_{0};

FileLiveDec::FileLiveDec(const std::string& path, const Options& options)
    : path_(path), options_(options), stop_(new StopSignal()) {
    if (!options_.clock) {
        options_.clock = PaceClock::steady();
    }
}

boost::shared_ptr<FileLiveDec> FileLiveDec::open(const std::string& path, const Options& options) {
    boost::shared_ptr<FileLiveDec> channel(new FileLiveDec(path, options));
    if (channel->openFile() != 0) {
        return {};
    }
    // The host's handle. The worker locks its weak reference to the channel
    // for each picture it encodes; were that the last reference when the host
    // lets go, the channel would end later, on the worker, and a host that
    // frees its callback's state after the release would see one more frame.
    // So the handle's last release stops and joins the worker first.
    return boost::shared_ptr<FileLiveDec>(channel.get(), [channel](FileLiveDec*) mutable {
        channel->stopWorker();
        channel.reset();  // now, not when the last weak reference to the handle goes
    });
}

FileLiveDec::~FileLiveDec() {
    stopWorker();
}

void FileLiveDec::stopWorker() noexcept {
    stop_->raise();
    boost::lock_guard<boost::mutex> lock(startMutex_);
    if (!worker_ || !worker_->joinable()) {
        return;
    }
    try {
        // A callback that drops the last handle runs on the worker, which
        // cannot wait for itself; it ends by itself after this step.
        if (worker_->get_id() == boost::this_thread::get_id()) {
            worker_->detach();
        } else {
            worker_->join();
        }
    } catch (...) {
        worker_->detach();
    }
}

int32_t FileLiveDec::SetCallback(OV::FrameCallback onFrame, OV::FrameCallback second) {
    onFrame_ = onFrame;
    second_ = second;
    return 0;
}

int32_t FileLiveDec::Start() {
    boost::lock_guard<boost::mutex> lock(startMutex_);
    if (worker_ || stop_->raised()) {
        return 0;  // one worker per channel: a second one would step the same decoder
    }
    // counted from here, so the count never misses a worker about to run
    ++running_;
    try {
        worker_.reset(new boost::thread(&FileLiveDec::runWorker, weak_from_this(), stop_, options_.clock,
                                        options_.reopenTries, options_.reopenPause));
    } catch (...) {
        --running_;
        return -1;  // no thread to be had
    }
    return 0;
}

int FileLiveDec::runningWorkers() {
    return running_.load();
}

int32_t FileLiveDec::openFile() {
    fileDec_ = AVC::CreateFileDec(path_.c_str());
    if (!fileDec_) {
        return -1;
    }
    boost::weak_ptr<FileLiveDec> weak = weak_from_this();
    fileDec_->Start([weak](AVC::DecFrame* frame) { onPicture(weak, frame); });
    return 0;
}

void FileLiveDec::runWorker(boost::weak_ptr<FileLiveDec> weak, boost::shared_ptr<StopSignal> stop,
                            boost::shared_ptr<PaceClock> clock, int reopenTries,
                            std::chrono::milliseconds reopenPause) {
    try {
        int failedOpens = 0;
        while (!stop->raised()) {
            // The worker's own reference keeps the decoder alive through the
            // step even when the channel goes away during a pacing wait.
            boost::shared_ptr<AVC::FileDec> dec;
            {
                boost::shared_ptr<FileLiveDec> self = weak.lock();
                if (!self) {
                    break;
                }
                dec = self->fileDec_;
            }
            if (dec && dec->Step() >= 0) {
                continue;
            }
            // the end of the file, or a failed open: play it from its beginning
            bool opened;
            bool played;
            {
                boost::shared_ptr<FileLiveDec> self = weak.lock();
                if (!self) {
                    break;
                }
                played = self->playedPicture_;
                self->playedPicture_ = false;
                self->timeline_.restart();
                opened = self->openFile() == 0;
            }
            // A file that opens but yields no picture in a whole pass (damaged
            // or cut short) would be read again and again without a pause; it
            // counts as a failed try like a file that does not open.
            if (opened && played) {
                failedOpens = 0;
                continue;
            }
            if (++failedOpens >= reopenTries || clock->sleepUntil(clock->now() + reopenPause, *stop)) {
                break;
            }
        }
    } catch (...) {
        // out of memory inside the codec library: the channel goes silent
        // rather than taking the host process down
    }
    --running_;
}

void FileLiveDec::onPicture(const boost::weak_ptr<FileLiveDec>& weak, AVC::DecFrame* frame) {
    boost::shared_ptr<PaceClock> clock;
    boost::shared_ptr<StopSignal> stop;
    PaceClock::TimePoint due;
    {
        boost::shared_ptr<FileLiveDec> self = weak.lock();
        if (!self) {
            return;
        }
        clock = self->options_.clock;
        stop = self->stop_;
        self->playedPicture_ = true;
        frame->pts = self->timeline_.next(frame->pts);
        const PaceClock::TimePoint now = clock->now();
        if (!self->pacer_.anchored()) {
            self->pacer_.anchor(now, self->timeline_.firstOutputMs());
        }
        due = self->pacer_.due(frame->pts, now);
    }
    // waits without holding the channel, so a release during the wait ends it at once
    if (clock->sleepUntil(due, *stop) || stop->raised()) {
        return;
    }
    boost::shared_ptr<FileLiveDec> self = weak.lock();
    if (self) {
        self->encode(frame);
    }
}

void FileLiveDec::encode(AVC::DecFrame* frame) {
    // A file whose picture size changes (or that is replaced by one of another
    // size between loops) gets a new encoder; the old one would refuse every
    // picture from then on.
    if (encoder_ && (frame->width != encoderWidth_ || frame->height != encoderHeight_)) {
        encoder_.reset();
    }
    if (!encoder_) {
        encoder_ = AVC::CreateH264Enc(frame->width, frame->height);
        if (!encoder_) {
            return;  // dropped; the next picture tries again
        }
        encoderWidth_ = frame->width;
        encoderHeight_ = frame->height;
        boost::weak_ptr<FileLiveDec> weak = weak_from_this();
        encoder_->SetOutput([weak](AVC::Packet* packet) { onPacket(weak, packet); });
    }
    encoder_->Encode(frame);
}

void FileLiveDec::onPacket(const boost::weak_ptr<FileLiveDec>& weak, AVC::Packet* packet) {
    boost::shared_ptr<FileLiveDec> self = weak.lock();
    if (!self || self->onFrame_.empty()) {
        return;  // no receiver installed: the frame has nowhere to go
    }
    OV::StreamFrame frame = {packet->data, packet->size,   OV::FRAME_H264, packet->pts, 0, 0,
                             packet->key,  OV::STREAM_H264};
    try {
        self->onFrame_(&frame);
    } catch (...) {
        // The host's callback must not throw; if it does, this frame is lost
        // but the worker (and the host process) go on.
    }
}

}  // namespace local
