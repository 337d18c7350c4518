#pragma once

// The codec library: media files decoded, H.264 encoded and decoded, pictures
// shown in X11 windows and encoded as JPEG. Objects come in boost::shared_ptr
// whose deleters live in the library; the interfaces have no virtual
// destructor and must not be deleted otherwise.

#include <ov/avc/dec_frame.h>
#include <ov/avc/file_dec.h>
#include <ov/avc/h264_enc.h>
#include <ov/avc/jpeg_buf.h>
#include <ov/avc/packet.h>
#include <ov/avc/picture.h>
#include <ov/avc/stream_dec.h>
#include <ov/avc/yuv_render.h>
