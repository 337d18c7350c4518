#pragma once

#include <mutex>
#include <vector>

#include <boost/shared_ptr.hpp>

#include <ov/avc/picture.h>

#include "av_handles.h"

namespace AVC {

// A Picture over a reference to a decoded YUV420P frame: the decoder's buffer
// is shared, not copied, until someone asks for the packed block.
class AvPicture final : public Picture {
public:
    // Empty when the reference cannot be taken.
    static boost::shared_ptr<Picture> make(const AVFrame* yuv420p);

    const uint8_t* Data() const override;
    int32_t Width() const override { return view_.width; }
    int32_t Height() const override { return view_.height; }
    const DecFrame* Frame() const override { return &view_; }

private:
    AvFramePtr frame_;
    DecFrame view_{};
    mutable std::once_flag packOnce_;
    mutable std::vector<uint8_t> packed_;
};

}  // namespace AVC
