// The muxers on arbitrary frames. Input: one byte choosing the muxer kind and
// whether frames get an SPS start in front (to steer into the SPS reader),
// then frames, each as a 16-bit big-endian length and its bytes. Every
// output must be a well-formed pack, and the Hik muxer's output must come
// back through the demultiplexer as the PES payloads it wrote.
//
// Seeds (fuzz/corpus/psmux): x264 frames (SPS, PPS, SEI, slices) and a
// truncated SPS in that layout, written by hand from
// ffmpeg -f lavfi -i testsrc -c:v libx264 output.

#include <demux/mpeg2_demux.h>
#include <psmux/ps_muxer.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct Sink {
    int32_t kind = 0;
    size_t inputLength = 0;
    std::vector<uint8_t> stream;                 // everything written, the Hik header included
    std::vector<std::vector<uint8_t>> payloads;  // video payload of each packed frame
};

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

// Walks one packed frame and returns its video payload.
std::vector<uint8_t> walk(const uint8_t* bytes, size_t length, int32_t kind) {
    check(length >= 20 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0xBA);
    std::vector<uint8_t> payload;
    size_t at = 20;
    while (at < length) {
        check(at + 9 <= length && bytes[at] == 0 && bytes[at + 1] == 0 && bytes[at + 2] == 1);
        const size_t size = 6 + ((size_t(bytes[at + 4]) << 8) | bytes[at + 5]);
        check(at + size <= length);
        if (bytes[at + 3] == 0xE0) {
            check(size % 4 == 0 || kind == 2);
            const size_t payloadAt = at + 9 + bytes[at + 8];
            check(payloadAt <= at + size);
            payload.insert(payload.end(), bytes + payloadAt, bytes + at + size);
        } else {
            check(bytes[at + 3] == 0xBC && size == 88);
        }
        at += size;
    }
    check(at == length);
    return payload;
}

int32_t output(const void* data, int32_t length, const PsFrameInfo*, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const auto* bytes = static_cast<const uint8_t*>(data);
    sink->stream.insert(sink->stream.end(), bytes, bytes + length);
    if (sink->kind == 0 && length == 40 && bytes[0] == 'I') {
        return 0;  // the file header
    }
    auto payload = walk(bytes, size_t(length), sink->kind);
    if (sink->kind == 0) {
        // the time-stamp packet, then the frame less at most an SEI
        check(payload.size() >= 8 && payload.size() <= sink->inputLength + 8);
    } else {
        check(payload.size() == sink->inputLength);
    }
    sink->payloads.push_back(std::move(payload));
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    Sink sink;
    sink.kind = data[0] % 3;
    const bool spsFirst = (data[0] & 0x80) != 0;
    IPsmuxer* muxer = CreatePsMuxer(output, &sink, sink.kind);
    check(muxer != nullptr);
    PsFrameInfo info = {};
    info.width = 1920;
    info.height = 1080;
    size_t at = 1;
    while (at + 2 <= size) {
        const size_t length = std::min<size_t>((size_t(data[at]) << 8) | data[at + 1], size - at - 2);
        at += 2;
        std::vector<uint8_t> frame;
        if (spsFirst) {
            frame = {0x00, 0x00, 0x00, 0x01, 0x67};
        }
        frame.insert(frame.end(), data + at, data + at + length);
        at += length;
        sink.inputLength = frame.size();
        info.key = frame.size() > 5 ? frame[5] & 1 : 0;
        info.timestampMs += 40;
        // a heap block of exactly the frame's size: no read past it goes unseen
        std::unique_ptr<uint8_t[]> exact(new uint8_t[frame.size()]);
        std::copy(frame.begin(), frame.end(), exact.get());
        check(muxer->InputFrame(exact.get(), int32_t(frame.size()), &info) == 0);
    }
    muxer->Release();

    if (sink.kind == 0 && !sink.payloads.empty()) {
        // the demultiplexer gives every frame but the last back as written
        std::vector<std::vector<uint8_t>> back;
        hik::CMpeg2Demux demux;
        demux.SetEsCBK([&back](uint8_t id, const uint8_t* bytes, int32_t length, uint64_t, int32_t) -> int {
            if (id == 0xE0) {
                back.emplace_back(bytes, bytes + length);
            }
            return 0;
        });
        check(demux.AddData(sink.stream.data(), int32_t(sink.stream.size())) == 0);
        // frames that end within 140 bytes of the stream's end are not reached
        check(back.size() <= sink.payloads.size() - 1);
        for (size_t i = 0; i < back.size(); ++i) {
            check(back[i] == sink.payloads[i]);
        }
    }
    return 0;
}
