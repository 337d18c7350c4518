#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include <ov/avc/avc_api.h>
#include <ov/avc/picture.h>

namespace AVC {

// Shows pictures in one window, scaled to the window's size at each call.
class AVC_API YuvRender {
public:
    // 0: 0, or -1 for an empty picture or a window that is gone.
    virtual int32_t Render(boost::shared_ptr<Picture> picture) = 0;

protected:
    ~YuvRender() {}
};

// window: an X11 window id (OV::WindowHandle) carried in a pointer. Empty
// without a display or when the id names no window.
AVC_API boost::shared_ptr<YuvRender> CreateYuvRender(void* window);

}  // namespace AVC
