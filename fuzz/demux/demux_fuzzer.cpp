// The demultiplexer on arbitrary bytes in arbitrary chunks. Input: one byte
// seeding the chunk sizes, one byte choosing how often the receiver fails,
// then the stream. Besides the sanitizers it checks that a receiver that never
// fails gets the same frames whatever the chunking.
//
// Seeds (fuzz/corpus/demux): a short x264 stream through the Hik muxer, and
// FFmpeg's "vob" muxer output of testsrc with mp2 audio, each behind the two
// control bytes, reduced with -merge=1.

#include <demux/mpeg2_demux.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

struct Digest {
    uint64_t hash = 1469598103934665603ull;
    size_t frames = 0;
    void add(uint64_t value) {
        hash ^= value;
        hash *= 1099511628211ull;
    }
};

// Runs the stream through a demultiplexer; chunkSeed 0 feeds it whole.
Digest run(const uint8_t* data, size_t size, uint32_t chunkSeed, uint32_t failEvery) {
    Digest digest;
    uint32_t calls = 0;
    hik::CMpeg2Demux demux;
    demux.SetEsCBK([&](uint8_t id, const uint8_t* bytes, int32_t length, uint64_t timeMs, int32_t flag) -> int {
        if (length <= 0 || length > hik::CMpeg2Demux::kMaxFrameBytes || bytes == nullptr) {
            std::abort();
        }
        if (failEvery != 0 && ++calls % failEvery == 0) {
            throw std::runtime_error("receiver failed");
        }
        // every byte handed out must be readable
        for (int32_t i = 0; i < length; ++i) {
            digest.add(bytes[i]);
        }
        digest.add(id);
        digest.add(timeMs);
        digest.add(uint64_t(flag));
        ++digest.frames;
        return 0;
    });
    uint32_t state = chunkSeed;
    size_t at = 0;
    while (at < size) {
        size_t chunk = size - at;
        if (chunkSeed != 0) {
            state = state * 1103515245u + 12345u;
            chunk = std::min<size_t>(chunk, 1 + (state >> 16) % 300);
        }
        if (demux.AddData(data + at, int32_t(chunk)) != 0) {
            std::abort();  // valid arguments never fail
        }
        at += chunk;
    }
    return digest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const uint32_t chunkSeed = data[0];
    const uint32_t failEvery = data[1] % 8;  // 0: never fails
    const Digest whole = run(data + 2, size - 2, 0, failEvery);
    if (failEvery == 0) {
        const Digest chunked = run(data + 2, size - 2, chunkSeed | 1, 0);
        if (whole.hash != chunked.hash || whole.frames != chunked.frames) {
            std::abort();  // the chunking changed what came out
        }
    }
    return 0;
}
