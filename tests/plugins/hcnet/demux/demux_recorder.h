#pragma once

// Collects what the demultiplexer hands out, and feeds it in chunks.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <demux/mpeg2_demux.h>

namespace dmxtest {

struct Delivery {
    uint8_t id;
    std::vector<uint8_t> data;
    uint64_t timeMs;
    int32_t flag;

    bool operator==(const Delivery& other) const {
        return id == other.id && data == other.data && timeMs == other.timeMs && flag == other.flag;
    }
};

class Recorder {
public:
    hik::EsCallback callback();
    std::vector<Delivery> got;
    // called before recording; may throw to stand for a failing receiver
    std::function<void(const Delivery&)> before;
    // The next `count` deliveries fail (and are not recorded).
    void failNext(int count);
    // only the deliveries of one stream id
    std::vector<Delivery> of(uint8_t id) const;
};

// Chunk sizes for feeding: the whole input, one byte at a time, seeded random
// sizes, and fixed sizes.
struct Chunking {
    std::string name;
    std::function<size_t(size_t index)> size;
};
std::vector<Chunking> chunkings();

// Feeds everything; every AddData must return 0.
void feed(hik::CMpeg2Demux& demux, const std::vector<uint8_t>& bytes, const Chunking& chunking);

// One fresh demultiplexer over all of `bytes`: what it delivered and what it
// printed on standard output.
struct Pass {
    Recorder recorder;
    std::string printed;
};
Pass demuxOnce(const std::vector<uint8_t>& bytes, const Chunking& chunking);

// Builds program-stream units.
class PsBuilder {
public:
    PsBuilder& pack(uint64_t scrBase, int stuffing = 0);
    PsBuilder& systemHeader();
    // stream map whose first entry has the given stream type
    PsBuilder& map(uint8_t firstStreamType);
    PsBuilder& pes(uint8_t id, const std::vector<uint8_t>& payload, int64_t pts = -1);
    PsBuilder& raw(const std::vector<uint8_t>& bytes);
    // a padding packet of `size` bytes: enough bytes behind the last pack
    // header for it to be examined
    PsBuilder& padding(size_t size = 200);
    std::vector<uint8_t> bytes;
};

}  // namespace dmxtest
