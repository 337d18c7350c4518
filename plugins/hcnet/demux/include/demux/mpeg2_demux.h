#pragma once

// Demultiplexer of the MPEG-2 program streams (ISO/IEC 13818-1) that the
// recorders send on their live channels. It is fed chunks of any size and
// hands out, at every pack header, the video payload of the pack before it as
// one frame and the audio payload alongside.

#include <cstddef>
#include <cstdint>

#include <boost/function.hpp>

#include <demux/buffer.h>

namespace hik {

// (stream id, bytes, length, time in milliseconds, flag); the result is
// ignored. The bytes are valid only during the call.
typedef boost::function<int(uint8_t streamId, const uint8_t* data, int32_t length, uint64_t timeMs, int32_t flag)>
    EsCallback;

// Values of the flag handed out with video: what the pack carried besides its
// PES packets. The live channel takes any nonzero value as a key frame.
enum PackFlag {
    PACK_PLAIN = 0,     // neither system header nor stream map
    PACK_SYSTEM = 1,    // a system header or stream map
    PACK_MAP_H264 = 4,  // a stream map whose first stream is H.264 (0x1B)
    PACK_MAP_MPEG4 = 5  // a stream map whose first stream is MPEG-4 Visual (0x10)
};

// Not synchronised and not re-entrant: one thread feeds it, and the callback
// must not feed it again.
class CMpeg2Demux {
public:
    // Stream ids handed to the callback.
    static const uint8_t kVideoId = 0xE0;
    static const uint8_t kAudioId = 0xC0;
    // Largest video or audio payload gathered for one pack; the rest of that
    // pack's payload is dropped with a warning and nothing is handed out for
    // it (a stream that never sends a pack header cannot grow memory).
    static const int32_t kMaxFrameBytes = 4 << 20;
    // Largest unread input kept between two AddData calls. Only a callback
    // that keeps failing makes the input pile up (its pack is tried again at
    // every call); past this bound the input and the pending pack are dropped
    // with a warning and the scan starts afresh at the next start code.
    static const int32_t kMaxHeldInput = 4 << 20;

    CMpeg2Demux();

    // Replaces the callback; 0, or -1 when it could not be copied.
    int32_t SetEsCBK(const EsCallback& callback);
    // Adds bytes and demultiplexes what is complete. 0 on success; -1 for a
    // null pointer, a negative length, no input at all (length 0 with nothing
    // held) or an error (each with its "dmx: " message on standard output).
    int32_t AddData(const uint8_t* data, int32_t length);
    // Scans the unread input: 0 when there is none, 1 after a normal scan, -1
    // when the callback raised an error (its pack is tried again next time).
    int32_t Demultiplex();

private:
    int32_t addSlice(const uint8_t* data, int32_t length);
    int32_t demultiplex(const uint8_t* bytes, size_t count, bool external);
    void scan(const uint8_t* bytes, size_t count, size_t& consumed);
    void deliverPack();
    void collect(const uint8_t* unit, size_t length);
    void gather(CBuffer& buffer, bool& dropping, const char* warning, const uint8_t* payload, size_t length);
    void dropHeldInput();

    CBuffer input_;
    EsCallback callback_;
    // Only the first bytes of the pack collected so far are ever read (the
    // SCR of its pack header), so only they are kept.
    uint8_t packHead_[9] = {};
    size_t packHeadLength_ = 0;
    CBuffer video_;
    CBuffer audio_;
    bool videoDropping_ = false;
    bool audioDropping_ = false;
    uint64_t lastPesTimeMs_ = 0;
    int32_t packFlag_ = PACK_PLAIN;
    // Unread bytes the scan needs before it can get further than where it
    // stopped; AddData does not scan again below that.
    size_t need_ = 0;
};

}  // namespace hik
