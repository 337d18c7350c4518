#include "frame_input.h"

namespace psmux {

int32_t writeGenericFrame(PsWriter& out, uint32_t counter, const uint8_t* frame, size_t size, const PsFrameInfo& info,
                          uint8_t streamType, bool key, PsOutputFn callback, void* user) {
    const uint64_t clock = clock90k(info.timestampMs);
    out.clear();
    out.reserve(20 + 88 + 24 + size + (size / PsWriter::kPiece) * 16);
    out.packHeader(clock, counter);
    if (key) {
        out.streamMap(streamType, counter, info, info.width, info.height);
    }
    out.pesWithPts(clock, frame, size);
    if (out.size() > size_t(INT32_MAX)) {
        return -1;  // the callback's length could not carry it
    }
    callback(out.data(), int32_t(out.size()), &info, user);
    return 0;
}

}  // namespace psmux
