#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include <ov/avc/avc_api.h>
#include <ov/avc/dec_frame.h>

namespace AVC {

// Decodes the video of a media file, one demuxed packet per step.
class AVC_API FileDec {
public:
    // 0: where pictures go; an empty function drops them. Returns 0.
    virtual int32_t Start(DecFrameCallback onFrame) = 0;
    // 1: reads and decodes the next video packet and hands every picture it
    // completes to the Start function, on the calling thread. Time stamps are
    // ms from the start of the stream. At the end of the file the decoder is
    // drained and the step returns a negative value, as does every later step.
    // Damaged packets are skipped. An exception thrown by the Start function
    // passes through; the decoder stays usable.
    virtual int32_t Step() = 0;

protected:
    ~FileDec() {}
};

// Any local file with video that FFmpeg can open (local files only; no
// network protocols). Empty when the path is null, the file cannot be opened,
// has no video or no decoder for it. Decodes on the calling thread alone.
AVC_API boost::shared_ptr<FileDec> CreateFileDec(const char* path);

}  // namespace AVC
