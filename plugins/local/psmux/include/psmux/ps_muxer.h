#pragma once

// Muxers that pack H.264 (or MPEG-4 Visual) access units into an MPEG-2
// program stream (ISO/IEC 13818-1) for recording. A muxer never touches a
// file: every finished piece of output goes to the creator's callback.

#include <cstdint>

// Description of one input frame, filled by the caller.
struct PsFrameInfo {
    int32_t key;          // 1 = key frame; read only by the MPEG-4 muxer
    int32_t width;        // pixels; program stream map of the generic muxers (low 16 bits)
    int32_t height;       // pixels; as width
    int64_t timestampMs;  // presentation time; source of SCR and PTS (x 90, modulo 2^33)
    uint16_t year;        // full year, e.g. 2026
    uint16_t month;       // 1..12
    uint16_t day;         // 1..31
    uint16_t hour;        // 0..23
    uint16_t minute;      // 0..59
    uint16_t second;      // 0..59
};

// Receives the output. `data` belongs to the muxer and is valid only during
// the call; `info` is the record passed with the input frame, or an all-zero
// record for the "IMKH" file header. The result is ignored.
typedef int32_t (*PsOutputFn)(const void* data, int32_t length, const PsFrameInfo* info, void* user);

// Kinds accepted by CreatePsMuxer.
enum PsMuxerKind {
    PS_MUXER_HIK = 0,           // HikPSMuxer: "IMKH" header, Hikvision-style packing
    PS_MUXER_GENERIC = 1,       // GenericPSMuxer: plain H.264 program stream
    PS_MUXER_GENERIC_MPEG4 = 2  // GenericMPEG4PSMuxer: plain MPEG-4 Visual program stream
};

// One muxer; used by one thread at a time. There is no virtual destructor:
// Release destroys the object.
class IPsmuxer {
public:
    // Destroys the muxer; returns 0.
    virtual int32_t Release() = 0;
    // Packs one access unit in byte-stream form (beginning with a start code)
    // and calls the output callback once with the whole packed frame (the
    // HikPSMuxer calls it once more before, at its first frame, with the
    // 40-byte "IMKH" header). Returns 0; -1 without output for a null `data`
    // with a positive length, a negative length or a null `info`, and when
    // memory runs out. Payloads longer than one PES packet can carry continue
    // in further packets.
    virtual int32_t InputFrame(const void* data, int32_t length, const PsFrameInfo* info) = 0;

protected:
    ~IPsmuxer() {}
};

// Kind 0 HikPSMuxer, 1 GenericPSMuxer, 2 GenericMPEG4PSMuxer; null for any
// other kind, a null callback or when memory runs out.
IPsmuxer* CreatePsMuxer(PsOutputFn callback, void* user, int32_t kind);
