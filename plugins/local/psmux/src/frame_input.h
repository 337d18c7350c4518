#pragma once

// What the three muxers share around their own packing.

#include <cstddef>
#include <cstdint>
#include <new>

#include <psmux/ps_muxer.h>

#include "ps_writer.h"

namespace psmux {

// Checks a frame handed to a muxer, then packs it. A frame that cannot be held
// in memory is lost, but the recorder and its file go on.
template <class Pack>
int32_t acceptFrame(const void* data, int32_t length, const PsFrameInfo* info, Pack pack) {
    if (length < 0 || (data == nullptr && length > 0) || info == nullptr) {
        return -1;
    }
    try {
        return pack(static_cast<const uint8_t*>(data), static_cast<size_t>(length), *info);
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

// One pack per frame: pack header, the stream map when key, one PES packet
// with PTS. The counter goes into the pack header's stuffing.
int32_t writeGenericFrame(PsWriter& out, uint32_t counter, const uint8_t* frame, size_t size, const PsFrameInfo& info,
                          uint8_t streamType, bool key, PsOutputFn callback, void* user);

}  // namespace psmux
