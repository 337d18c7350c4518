#include "hik_live_chan.h"

#include <cstdlib>
#include <cstring>

#include <boost/date_time/posix_time/posix_time.hpp>

#include "hik_error_text.h"
#include "hik_login.h"

namespace hik {
namespace {

// Hands the demultiplexer's video frames on as H.264 frames with times
// relative to the first one.
struct H264Sink {
    boost::shared_ptr<PtsCheck> pts;
    OV::FrameCallback onFrame;

    int operator()(uint8_t streamId, const uint8_t* data, int32_t size, uint64_t timeMs, int32_t flag) const {
        if (streamId != 0xE0 || onFrame.empty()) {
            return 0;
        }
        OV::StreamFrame frame = {data, size, OV::FRAME_H264,    pts->Relative(int64_t(timeMs)),
                                 0,    0,    flag != 0 ? 1 : 0, OV::STREAM_H264};
        onFrame(&frame);
        return 0;
    }
};

}  // namespace

class HikLiveChan::Delivering {
public:
    explicit Delivering(HikLiveChan& chan) : chan_(chan), lock_(chan.deliveryMutex_) {
        chan_.deliveringThread_ = std::this_thread::get_id();
    }
    ~Delivering() { chan_.deliveringThread_ = std::thread::id(); }

private:
    HikLiveChan& chan_;
    std::lock_guard<std::mutex> lock_;
};

int64_t TimeOfDayMs() {
    return boost::posix_time::microsec_clock::local_time().time_of_day().total_microseconds() / 1000;
}

HikLiveChan::HikLiveChan(boost::shared_ptr<LoginHD> login, int32_t channel, int32_t streamType, bool passThrough)
    : login_(login),
      channel_(channel),
      handle_(-1),
      demux_(new CMpeg2Demux()),
      streamType_(streamType),
      passThrough_(passThrough ? 1 : 0),
      deliveringThread_(std::thread::id()) {}

HikLiveChan::~HikLiveChan() {
    // returns once the vendor thread has left our handlers for good
    if (handle_ != -1) {
        NET_DVR_StopRealPlay(handle_);
    }
}

int32_t HikLiveChan::SetCallback(OV::FrameCallback onFrame, OV::FrameCallback second) {
    if (deliveringThread_.load() == std::this_thread::get_id()) {
        return -1;
    }
    std::lock_guard<std::mutex> lock(deliveryMutex_);
    callback_ = onFrame;
    second_ = second;
    H264Sink sink = {boost::shared_ptr<PtsCheck>(new PtsCheck()), onFrame};
    demux_->SetEsCBK(sink);
    return 0;
}

int32_t HikLiveChan::Start() {
    if (handle_ != -1) {
        // a new play would orphan the running one, whose vendor thread would
        // then keep calling into this channel after its release
        return 0;
    }
    HcPreviewInfo preview;
    std::memset(&preview, 0, sizeof preview);
    preview.channel = channel_;
    preview.streamType = uint32_t(streamType_);
    preview.linkMode = 0;
    preview.window = 0;
    preview.blocked = 1;
    preview.passbackRecord = 0;
    preview.previewMode = 0;
    preview.protocolType = 0;
    const int32_t handle =
        NET_DVR_RealPlay_V40(login_->userId(), &preview, passThrough_ ? &OnPassThroughData : &OnDemuxData, this);
    if (handle == -1) {
        RaiseLastHikError();
        return -1;
    }
    handle_ = handle;
    return 0;
}

int32_t HikLiveChan::MakeKeyFrame() {
    NET_DVR_MakeKeyFrame(login_->userId(), channel_);
    return 0;
}

void HikLiveChan::OnPassThroughData(int32_t, uint32_t dataType, uint8_t* data, uint32_t size, void* user) {
    HikLiveChan* self = static_cast<HikLiveChan*>(user);
    try {
        Delivering delivering(*self);
        // blocks before SetCallback have nobody to go to
        if (self->callback_.empty()) {
            return;
        }
        OV::StreamFrame frame = {data,
                                 int32_t(size),
                                 dataType == HC_DATA_STREAM_HEADER ? OV::FRAME_VENDOR_HEADER : OV::FRAME_VENDOR_DATA,
                                 TimeOfDayMs(),
                                 0,
                                 0,
                                 1,
                                 OV::STREAM_HIK};
        self->callback_(&frame);
    } catch (...) {
        // nothing may leave into the vendor's thread
    }
}

void HikLiveChan::OnDemuxData(int32_t, uint32_t dataType, uint8_t* data, uint32_t size, void* user) {
    if (dataType != HC_DATA_STREAM) {
        return;
    }
    HikLiveChan* self = static_cast<HikLiveChan*>(user);
    try {
        Delivering delivering(*self);
        // fed even before SetCallback, so the demultiplexer stays in step
        self->demux_->AddData(data, int32_t(size));
    } catch (...) {
        // nothing may leave into the vendor's thread
    }
}

boost::shared_ptr<OV::LiveChan> MakeLiveChan(OV::ChanOpt* opt, int32_t streamType, bool passThrough) {
    if (opt == nullptr) {
        return boost::shared_ptr<OV::LiveChan>();
    }
    boost::shared_ptr<LoginHD> login = HikLogin(opt->addr, opt->user, opt->passw);
    if (!login) {
        return boost::shared_ptr<OV::LiveChan>();
    }
    const int32_t channel = opt->chan == nullptr ? 0 : int32_t(std::strtol(opt->chan, nullptr, 10));
    return boost::shared_ptr<OV::LiveChan>(new HikLiveChan(login, channel, streamType, passThrough));
}

}  // namespace hik
