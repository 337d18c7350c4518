// A test plug-in for ovctl live: the device type "vendorfake" whose live
// channels deliver a vendor's own stream (a header block of kind 5, then
// numbered blocks of kind 4) of the stream type given as the channel number,
// and a live decoder for stream type 9 that writes every block it is given
// to its save file.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <ov/devcore.h>

namespace {

constexpr int32_t kDecodedType = 9;

class VendorChan : public OV::LiveChan {
public:
    explicit VendorChan(int32_t streamType) : streamType_(streamType) {}
    ~VendorChan() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    int32_t SetCallback(OV::FrameCallback onFrame, OV::FrameCallback) override {
        onFrame_ = onFrame;
        return 0;
    }
    int32_t Start() override {
        thread_ = std::thread([this] { run(); });
        return 0;
    }
    int32_t MakeKeyFrame() override { return 0; }

private:
    void deliver(int32_t kind, const std::string& bytes) {
        OV::StreamFrame frame = {reinterpret_cast<const uint8_t*>(bytes.data()),
                                 static_cast<int32_t>(bytes.size()),
                                 kind,
                                 0,
                                 0,
                                 0,
                                 1,
                                 streamType_};
        onFrame_(&frame);
    }
    void run() {
        deliver(OV::FRAME_VENDOR_HEADER, "VENDOR-HEADER;");
        for (int i = 0; !stop_; ++i) {
            deliver(OV::FRAME_VENDOR_DATA, "block " + std::to_string(i) + ";");
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    const int32_t streamType_;
    OV::FrameCallback onFrame_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class RecordingDec : public OV::LivePlayDec {
public:
    ~RecordingDec() { StopSave(); }
    int32_t SetWnd(OV::WindowHandle) override { return -1; }
    int32_t InputData(int32_t streamType, const uint8_t* data, int32_t len) override {
        if (streamType != kDecodedType) {
            std::abort();  // the caller chose the decoder by another type than it feeds
        }
        if (file_) {
            std::fwrite(data, 1, static_cast<size_t>(len), file_);
        }
        return 0;
    }
    boost::shared_ptr<OV::JpegData> Capture() override { return {}; }
    int32_t StartSave(const char* path) override {
        file_ = std::fopen(path, "wb");
        return file_ ? 0 : -1;
    }
    int32_t StopSave() override {
        if (file_) {
            std::fclose(file_);
            file_ = nullptr;
        }
        return 0;
    }
    int32_t OpenSound() override { return -1; }
    int32_t CloseSound() override { return -1; }

private:
    std::FILE* file_ = nullptr;
};

class Provider : public OV::VideoDevSDKMakerProvider {
public:
    boost::shared_ptr<VideoDevSDKMaker> create() override {
        boost::shared_ptr<VideoDevSDKMaker> maker(new VideoDevSDKMaker());
        maker->name = "vendorfake";
        maker->fill = [](VideoDevSDK* sdk) {
            sdk->GetLiveChan = [](OV::ChanOpt* opt) {
                return boost::shared_ptr<OV::LiveChan>(new VendorChan(std::atoi(opt->chan)));
            };
            sdk->GetLivePlayDec = [](int32_t type) {
                return type == kDecodedType ? boost::shared_ptr<OV::LivePlayDec>(new RecordingDec())
                                            : boost::shared_ptr<OV::LivePlayDec>();
            };
        };
        return maker;
    }
};

}  // namespace

OV_PLUGIN_ENTRY {
    host.add(new Provider());
    return true;
}
