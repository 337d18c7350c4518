#include <demux/mpeg2_demux.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace hik {

namespace {

// A unit is examined only with more than this many bytes behind its start, so
// every fixed header field can be read without further checks.
const size_t kLookahead = 140;
const size_t kNone = size_t(-1);

const int32_t kInputCapacity = 262144;
const int32_t kOutputCapacity = 10240;
// Input is taken in slices of this size (see AddData), small enough for the
// input buffer to stay in the processor's first-level data cache.
const int32_t kSlice = 4096;

const char kBadUnit[] = "dmx: Warning in CMpeg2Demux::Demultiplex - ((*PDW & 0x00FFFFFF) != 0x00010000).";
const char kVideoTooLarge[] = "dmx: Warning in CMpeg2Demux::Demultiplex - video frame over 4194304 bytes dropped.";
const char kAudioTooLarge[] = "dmx: Warning in CMpeg2Demux::Demultiplex - audio frame over 4194304 bytes dropped.";
const char kInputTooLarge[] = "dmx: Warning in CMpeg2Demux::AddData - unread input over 4194304 bytes dropped.";

// The messages go out as they stand, without a line end.
void say(const char* text) {
    std::fputs(text, stdout);
}

bool isStartCode(const uint8_t* at) {
    return at[0] == 0 && at[1] == 0 && at[2] == 1;
}

// First q in [from, limit) where 00 00 01 begins; the bytes up to limit + 2
// must be readable. memchr finds the rare 01 bytes far faster than a loop.
size_t findStartCode(const uint8_t* bytes, size_t from, size_t limit) {
    size_t i = from + 2;
    const size_t end = limit + 2;
    while (i < end) {
        const void* hit = std::memchr(bytes + i, 0x01, end - i);
        if (hit == nullptr) {
            return kNone;
        }
        const size_t one = size_t(static_cast<const uint8_t*>(hit) - bytes);
        if (bytes[one - 1] == 0 && bytes[one - 2] == 0) {
            return one - 2;
        }
        i = one + 1;
    }
    return kNone;
}

// 33-bit SCR base of an MPEG-2 pack header, from its bytes 4 to 8; the
// extension is ignored.
uint64_t scrBase(const uint8_t* b) {
    return (uint64_t((b[4] >> 3) & 0x07) << 30) | (uint64_t(b[4] & 0x03) << 28) | (uint64_t(b[5]) << 20) |
           (uint64_t(b[6] >> 3) << 15) | (uint64_t(b[6] & 0x03) << 13) | (uint64_t(b[7]) << 5) | (b[8] >> 3);
}

// 33-bit PTS from its five bytes.
uint64_t pts(const uint8_t* b) {
    return (uint64_t((b[0] >> 1) & 0x07) << 30) | (uint64_t(b[1]) << 22) | (uint64_t(b[2] >> 1) << 15) |
           (uint64_t(b[3]) << 7) | (b[4] >> 1);
}

// Start codes that are passed over by one byte: the video start codes that
// appear inside payload, and stream ids that carry nothing for us.
bool isPassedOver(uint8_t id) {
    return id < 0xB9 || id == 0xBC || id == 0xBE || id == 0xBF || id == 0xF0 || id == 0xF1 || id == 0xF2 ||
           id == 0xF8 || id == 0xFF;
}

}  // namespace

CMpeg2Demux::CMpeg2Demux() {
    try {
        if (!input_.reserve(kInputCapacity)) {
            say("dmx: Error in CMpeg2Demux::CMpeg2Demux - can not create CBuffer.");
            return;
        }
        if (!video_.reserve(kOutputCapacity) || !audio_.reserve(kOutputCapacity)) {
            throw std::bad_alloc();
        }
    } catch (...) {
        // the object exists all the same; its buffers grow when data comes
        say("dmx: Error in CMpeg2Demux::CMpeg2Demux call...");
    }
}

int32_t CMpeg2Demux::SetEsCBK(const EsCallback& callback) {
    try {
        callback_ = callback;
        return 0;
    } catch (...) {
        say("dmx: Error in CMpeg2Demux::SetEsCBK call...");
        return -1;
    }
}

int32_t CMpeg2Demux::AddData(const uint8_t* data, int32_t length) {
    if (data == nullptr || length < 0) {
        say("dmx: Error in CMpeg2Demux::AddData - invalid data.");
        return -1;
    }
    try {
        if (length == 0) {
            if (Demultiplex() == 0) {
                say("dmx: Error in CMpeg2Demux::AddData - error demultiplexing.");
                return -1;
            }
            return 0;
        }
        // A large chunk goes in by slices: the input buffer then stays in the
        // processor's cache, and a large chunk costs what small ones cost.
        // The output does not depend on how the bytes are cut. After a failed
        // delivery the rest of the chunk only waits, as it would in one scan.
        bool failed = false;
        for (int32_t at = 0; at < length; at += kSlice) {
            const int32_t count = std::min(kSlice, length - at);
            if (failed) {
                input_.append(data + at, count);
            } else {
                failed = addSlice(data + at, count) < 0;
            }
            if (input_.unreadSize() > kMaxHeldInput) {
                dropHeldInput();
                failed = false;
            }
        }
        return 0;
    } catch (...) {
        say("dmx: Error in CMpeg2Demux::AddData call...");
        return -1;
    }
}

int32_t CMpeg2Demux::addSlice(const uint8_t* data, int32_t length) {
    if (input_.unreadSize() == 0) {
        // nothing held over: scan the caller's bytes where they are and keep
        // only the tail that is not complete yet
        return demultiplex(data, size_t(length), true);
    }
    input_.append(data, length);
    // below what the last scan asked for, a scan would stop where it is
    return size_t(input_.unreadSize()) >= need_ ? Demultiplex() : 1;
}

int32_t CMpeg2Demux::Demultiplex() {
    return demultiplex(input_.unread(), size_t(input_.unreadSize()), false);
}

int32_t CMpeg2Demux::demultiplex(const uint8_t* bytes, size_t count, bool external) {
    if (count == 0) {
        return 0;
    }
    size_t consumed = 0;
    int32_t result = 1;
    try {
        scan(bytes, count, consumed);
    } catch (...) {
        // the pack whose delivery failed is tried again by the next call
        say("dmx: Error in CMpeg2Demux::Demultiplex call...");
        need_ = 0;
        result = -1;
    }
    if (external) {
        input_.append(bytes + consumed, int32_t(count - consumed));
    } else {
        input_.consume(int32_t(consumed));
    }
    return result;
}

// Consumption happens at two places only: after each PES packet, and where
// the scan stops. A failing callback leaves everything after the last PES
// packet unread, so that the same delivery is tried again.
void CMpeg2Demux::scan(const uint8_t* bytes, size_t count, size_t& consumed) {
    size_t pos = consumed;
    for (;;) {
        const size_t remaining = count - pos;
        if (remaining <= kLookahead) {
            need_ = kLookahead + 1;
            break;
        }
        const uint8_t* unit = bytes + pos;
        if (!isStartCode(unit)) {
            const size_t next = findStartCode(bytes, pos + 1, count - kLookahead);
            if (next == kNone) {
                pos = count - kLookahead;
                need_ = kLookahead + 1;
                break;
            }
            pos = next;
            continue;
        }
        const uint8_t id = unit[3];

        if (id == 0xBA) {
            deliverPack();
            const size_t header = 14 + (unit[13] & 7);
            packFlag_ = PACK_PLAIN;
            if (!isStartCode(unit + header)) {
                say(kBadUnit);
                pos += 1;
                continue;
            }
            collect(unit, header);
            pos += header;
            continue;
        }

        const size_t length = (size_t(unit[4]) << 8) | unit[5];
        // The unit size is kept in 16 bits, as the recorders' own reader does;
        // a size that wraps to 0 would never move the scan, so such a unit
        // counts as one not followed by a start code.
        const size_t size = (length + 6) & 0xFFFF;
        if (remaining < size + 6) {
            need_ = size + 6;
            break;
        }
        const bool followed = size != 0 && isStartCode(unit + size);
        if (id == 0xBB) {
            if (!followed) {
                say(kBadUnit);
                pos += 1;
                continue;
            }
            collect(unit, size);
            packFlag_ = PACK_SYSTEM;
            pos += size;
            continue;
        }
        if (id == 0xBC) {
            if (!followed) {
                say(kBadUnit);
                pos += 1;
                continue;
            }
            const size_t infoLength = (size_t(unit[8]) << 8) | unit[9];
            packFlag_ = PACK_SYSTEM;
            // a map too short to hold its first entry leaves the flag at 1
            if (12 + infoLength < size) {
                const uint8_t streamType = unit[12 + infoLength];
                if (streamType == 0x1B) {
                    packFlag_ = PACK_MAP_H264;
                } else if (streamType == 0x10) {
                    packFlag_ = PACK_MAP_MPEG4;
                }
            }
            collect(unit, size);
            pos += size;
            continue;
        }
        if (id == 0xBD) {
            if (followed) {
                collect(unit, size);
                pos += size;
                continue;
            }
            say(kBadUnit);
            // and on as any PES packet
        } else if (isPassedOver(id)) {
            pos += 1;
            continue;
        }

        const size_t packet = length + 6;
        if (remaining < length + 10) {
            need_ = length + 10;
            break;
        }
        if (!isStartCode(unit + packet)) {
            say(kBadUnit);
            pos += 1;
            continue;
        }
        if (unit[7] & 0xC0) {
            lastPesTimeMs_ = pts(unit + 9) / 90;
        }
        const size_t payloadAt = 9 + size_t(unit[8]);
        if (id == kVideoId) {
            // a header that leaves no payload contributes none
            if (payloadAt < packet) {
                gather(video_, videoDropping_, kVideoTooLarge, unit + payloadAt, packet - payloadAt);
            }
            collect(unit, packet);
        } else if (id == kAudioId) {
            long payload = long(length) - long(unit[8]) - 3;
            if (payload <= 0) {
                // The recorders' fallback length L - 13 would reach past the
                // packet (and past the input); it is cut at the packet's end.
                payload = std::min(long(length) - 13, long(packet) - long(payloadAt));
            }
            if (payload > 0) {
                gather(audio_, audioDropping_, kAudioTooLarge, unit + payloadAt, size_t(payload));
            }
        }
        pos += packet;
        consumed = pos;
    }
    consumed = pos;
}

void CMpeg2Demux::deliverPack() {
    if (callback_ && video_.size() > 0) {
        uint8_t head[9] = {};
        std::memcpy(head, packHead_, packHeadLength_);
        callback_(kVideoId, video_.data(), video_.size(), scrBase(head) / 90, packFlag_);
    }
    video_.empty();
    videoDropping_ = false;
    if (callback_ && audio_.size() > 0) {
        callback_(kAudioId, audio_.data(), audio_.size(), lastPesTimeMs_, 0);
    }
    audio_.empty();
    audioDropping_ = false;
    packHeadLength_ = 0;
}

void CMpeg2Demux::collect(const uint8_t* unit, size_t length) {
    const size_t take = std::min(length, sizeof packHead_ - packHeadLength_);
    std::memcpy(packHead_ + packHeadLength_, unit, take);
    packHeadLength_ += take;
}

void CMpeg2Demux::gather(CBuffer& buffer, bool& dropping, const char* warning, const uint8_t* payload, size_t length) {
    if (dropping) {
        return;
    }
    if (length > size_t(kMaxFrameBytes - buffer.size())) {
        // a frame without its end is of no use: drop what the pack gathered
        say(warning);
        buffer.empty();
        dropping = true;
        return;
    }
    buffer.append(payload, int32_t(length));
}

void CMpeg2Demux::dropHeldInput() {
    say(kInputTooLarge);
    input_.empty();
    video_.empty();
    audio_.empty();
    videoDropping_ = false;
    audioDropping_ = false;
    packHeadLength_ = 0;
    packFlag_ = PACK_PLAIN;
    need_ = 0;
}

}  // namespace hik
