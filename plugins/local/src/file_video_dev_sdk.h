#pragma once

#include <boost/shared_ptr.hpp>

#include <ov/contracts.h>
#include <ov/videodevsdk.h>

namespace local {

// The device-type key of media files played as live cameras.
extern const char* const kFileType;

// The maker of the "file" record: four live-channel slots that open the file
// named by the channel options, and the live decoder of stream type 0.
struct FileVideoDevSDK : VideoDevSDKMaker {
    FileVideoDevSDK();
};

void fillFileVideoDevSDK(VideoDevSDK* sdk);

// Slots 0 to 3: the file is ChanOpt::chan; empty when it cannot be opened.
boost::shared_ptr<OV::LiveChan> openFileChan(OV::ChanOpt* opt);
// Slot 30: an H264LiveDec for stream type 0, empty for every other type.
boost::shared_ptr<OV::LivePlayDec> makeLivePlayDec(int32_t streamType);

}  // namespace local
