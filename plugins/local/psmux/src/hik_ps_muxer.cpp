#include "hik_ps_muxer.h"

#include <cstdint>
#include <cstring>

#include "frame_input.h"
#include "sps_reader.h"

namespace {

// Read as little-endian fields: 0x0101, 0, 2, 1, 0x7110, 1, 0x10, 8000, 64000
// and 16 reserved bytes.
const uint8_t kFileHeader[40] = {0x49, 0x4D, 0x4B, 0x48, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00, 0x10, 0x71,
                                 0x01, 0x10, 0x40, 0x1F, 0x00, 0x00, 0x00, 0xFA, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

// The first frame carries 0x00123402.
const uint32_t kFirstCounter = 0x00123401;

const uint8_t kSpsMark = 0xFC;
const uint8_t kPictureMark = 0xF8;
const uint8_t kNalSps = 7;
const uint8_t kNalSei = 6;

// Where start codes begin (counting the zero before a 00 00 00 01 code) and
// where the NAL header after each lies.
struct StartCodes {
    size_t count = 0;
    size_t at[4];
    size_t nal[4];
};

StartCodes findStartCodes(const uint8_t* frame, size_t length) {
    StartCodes found;
    // memchr finds the rare 01 bytes far faster than a loop over every byte;
    // a key frame without a fourth unit is scanned to its end
    size_t i = 2;
    while (found.count < 4 && i < length) {
        const void* hit = std::memchr(frame + i, 0x01, length - i);
        if (hit == nullptr) {
            break;
        }
        const size_t one = size_t(static_cast<const uint8_t*>(hit) - frame);
        if (frame[one - 1] == 0 && frame[one - 2] == 0) {
            const size_t at = one - 2;
            found.at[found.count] = (at > 0 && frame[at - 1] == 0) ? at - 1 : at;
            found.nal[found.count] = one + 1;
            ++found.count;
            i = one + 3;
        } else {
            i = one + 1;
        }
    }
    return found;
}

}  // namespace

HikPSMuxer::HikPSMuxer(PsOutputFn callback, void* user) : callback_(callback), user_(user), counter_(kFirstCounter) {}

int32_t HikPSMuxer::Release() {
    delete this;
    return 0;
}

int32_t HikPSMuxer::InputFrame(const void* data, int32_t length, const PsFrameInfo* info) {
    return psmux::acceptFrame(data, length, info, [this](const uint8_t* frame, size_t size, const PsFrameInfo& i) {
        return pack(frame, size, i);
    });
}

int32_t HikPSMuxer::pack(const uint8_t* frame, size_t size, const PsFrameInfo& info) {
    if (!headerWritten_) {
        // the header alone makes the saved file playable, so it goes out before any data
        const PsFrameInfo none = {};
        callback_(kFileHeader, sizeof kFileHeader, &none, user_);
        headerWritten_ = true;
    }
    ++counter_;
    const uint64_t clock = psmux::clock90k(info.timestampMs);
    out_.clear();
    out_.reserve(20 + 88 + 24 + size + 64 + (size / psmux::PsWriter::kPiece) * 16);
    out_.packHeader(clock, counter_);

    size_t nal = 4;
    if (size > 4 && frame[4] == 0x01) {
        nal = 5;
    }
    const bool key = size > nal && (frame[nal] & 0x1F) == kNalSps;
    if (key) {
        int32_t width = info.width;
        int32_t height = info.height;
        psmux::SpsSize sps;
        // a broken SPS leaves the caller's size in the map rather than none
        if (psmux::readSpsSize(frame + nal, size - nal, &sps)) {
            width = int32_t(sps.width);
            height = int32_t(sps.height);
        }
        out_.streamMap(0x1B, counter_, info, width, height);
    }

    // the time stamp travels in a packet of its own: an access unit delimiter
    static const uint8_t kDelimiter[8] = {0x00, 0x00, 0x00, 0x01, 0x09, 0x30, 0x00, 0x00};
    out_.pesWithPts(clock, kDelimiter, sizeof kDelimiter);

    if (key) {
        packKeyFrame(frame, size);
    } else {
        out_.pesWithoutPts(kPictureMark, frame, size);
    }
    if (out_.size() > size_t(INT32_MAX)) {
        return -1;  // the callback's length could not carry it
    }
    callback_(out_.data(), int32_t(out_.size()), &info, user_);
    return 0;
}

void HikPSMuxer::packKeyFrame(const uint8_t* frame, size_t length) {
    const StartCodes codes = findStartCodes(frame, length);
    if (codes.count < 3) {
        // not the SPS, PPS, picture layout: keep every byte in one picture packet
        out_.pesWithoutPts(kPictureMark, frame, length);
        return;
    }
    // The recorders leave out the unit between the third and the fourth start
    // code, which is their SEI. An encoder that cuts pictures into slices puts
    // a slice there, so anything but an SEI is kept.
    size_t picture = codes.at[2];
    if (codes.count == 4 && codes.nal[2] < length && (frame[codes.nal[2]] & 0x1F) == kNalSei) {
        picture = codes.at[3];
    }
    // bytes before the first start code (none in a well-formed frame) stay with the SPS
    out_.pesWithoutPts(kSpsMark, frame, codes.at[1]);
    out_.pesWithoutPts(kSpsMark, frame + codes.at[1], codes.at[2] - codes.at[1]);
    out_.pesWithoutPts(kPictureMark, frame + picture, length - picture);
}
