#include "kel_stream.h"

#include <limits>

#include "bson_fields.h"

namespace sms {

bool mediaFrameOf(const bson_t* doc, KelStream* frame) {
    const boost::optional<BinaryView> d = binaryOf(doc, "d");
    const boost::optional<int64_t> pts = int64Of(doc, "pts");
    const boost::optional<int32_t> t = int32Of(doc, "t");
    const boost::optional<int32_t> st = int32Of(doc, "st");
    // a frame is at most 16 MiB, so its payload always fits the int32 length
    if (!d || !pts || !t || !st || d->len > uint32_t(std::numeric_limits<int32_t>::max())) {
        return false;
    }
    *frame = KelStream{*t, d->data, static_cast<int32_t>(d->len), *pts, *st};
    return true;
}

}  // namespace sms
