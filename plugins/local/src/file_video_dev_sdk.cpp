#include "file_video_dev_sdk.h"

#include "file_live_dec.h"
#include "h264_live_dec.h"

namespace local {

const char* const kFileType = "file";

FileVideoDevSDK::FileVideoDevSDK() {
    name = kFileType;
    fill = &fillFileVideoDevSDK;
}

void fillFileVideoDevSDK(VideoDevSDK* sdk) {
    // one kind of stream only: the main, sub and H.264 channels are the same
    sdk->GetLiveChan = &openFileChan;
    sdk->GetLiveSubChan = &openFileChan;
    sdk->GetLiveH264Chan = &openFileChan;
    sdk->GetLiveH264SubChan = &openFileChan;
    sdk->GetLivePlayDec = &makeLivePlayDec;
}

boost::shared_ptr<OV::LiveChan> openFileChan(OV::ChanOpt* opt) {
    if (!opt || !opt->chan) {
        return {};
    }
    return FileLiveDec::open(opt->chan);
}

boost::shared_ptr<OV::LivePlayDec> makeLivePlayDec(int32_t streamType) {
    if (streamType != OV::STREAM_H264) {
        return {};
    }
    return boost::shared_ptr<OV::LivePlayDec>(boost::shared_ptr<H264LiveDec>(new H264LiveDec()));
}

}  // namespace local
