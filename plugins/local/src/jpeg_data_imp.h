#pragma once

#include <boost/shared_ptr.hpp>

#include <ov/avc/jpeg_buf.h>
#include <ov/contracts.h>

namespace local {

// A captured picture: the codec library's JPEG buffer behind the device
// layer's interface.
class JpegDataImp : public OV::JpegData {
public:
    explicit JpegDataImp(boost::shared_ptr<AVC::JpegBuf> jpeg) : jpeg_(jpeg) {}
    const uint8_t* Data() const override { return jpeg_->Data(); }
    int32_t Size() const override { return jpeg_->Size(); }

private:
    boost::shared_ptr<AVC::JpegBuf> jpeg_;
};

}  // namespace local
