#include <hiksimtest/hik_stream.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace hiksimtest {
namespace {

void put16(std::vector<uint8_t>& out, std::size_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

// the 5-byte PTS field with '0010' in front
void putPts(std::vector<uint8_t>& out, uint64_t pts) {
    out.push_back(uint8_t(0x21 | ((pts >> 29) & 0x0E)));
    out.push_back(uint8_t(pts >> 22));
    out.push_back(uint8_t(0x01 | ((pts >> 14) & 0xFE)));
    out.push_back(uint8_t(pts >> 7));
    out.push_back(uint8_t(0x01 | ((pts << 1) & 0xFE)));
}

}  // namespace

std::vector<uint8_t> PackHeader(int64_t timeMs) {
    const uint64_t scr = (uint64_t(timeMs) * 90) & ((uint64_t(1) << 33) - 1);
    return {0x00,
            0x00,
            0x01,
            0xBA,
            uint8_t(0x44 | ((scr >> 27) & 0x38) | ((scr >> 28) & 0x03)),
            uint8_t(scr >> 20),
            uint8_t(0x04 | ((scr >> 12) & 0xF8) | ((scr >> 13) & 0x03)),
            uint8_t(scr >> 5),
            uint8_t(0x04 | ((scr << 3) & 0xF8)),
            0x01,
            0x01,
            0xEB,
            0x8B,
            0xF8};
}

std::vector<uint8_t> MakeHikStream(const std::vector<PsFrame>& frames) {
    // header bytes as a Hikvision recorder writes them
    std::vector<uint8_t> out = {0x49, 0x4D, 0x4B, 0x48, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00,
                                0x10, 0x71, 0x01, 0x10, 0x40, 0x1F, 0x00, 0x00, 0x00, 0xFA, 0x00, 0x00};
    out.resize(40, 0);
    for (const PsFrame& f : frames) {
        const std::vector<uint8_t> pack = PackHeader(f.timeMs);
        out.insert(out.end(), pack.begin(), pack.end());
        if (f.key) {
            // program stream map: no descriptors, one H.264 stream, CRC left 0
            const uint8_t map[] = {0x00, 0x00, 0x01, 0xBC, 0x00, 0x0E, 0xE0, 0xFF, 0x00, 0x00,
                                   0x00, 0x04, 0x1B, 0xE0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
            out.insert(out.end(), std::begin(map), std::end(map));
        }
        const std::size_t maxChunk = 60000;
        std::size_t done = 0;
        do {
            const std::size_t n = std::min(maxChunk, f.payload.size() - done);
            const bool first = done == 0;
            out.insert(out.end(), {0x00, 0x00, 0x01, f.streamId});
            put16(out, 3 + (first ? 5 : 0) + n);
            out.push_back(0x80);
            out.push_back(first ? 0x80 : 0x00);
            out.push_back(first ? 5 : 0);
            if (first) {
                putPts(out, uint64_t(f.timeMs) * 90);
            }
            out.insert(out.end(), f.payload.begin() + std::ptrdiff_t(done),
                       f.payload.begin() + std::ptrdiff_t(done + n));
            done += n;
        } while (done < f.payload.size());
    }
    return out;
}

std::vector<uint8_t> FakeAccessUnit(bool key, int index, std::size_t size) {
    std::vector<uint8_t> au = {0x00, 0x00, 0x00, 0x01, uint8_t(key ? 0x65 : 0x41)};
    for (std::size_t i = 0; i < size; ++i) {
        au.push_back(uint8_t(0x80 | ((index + int(i)) & 0x7F)));
    }
    return au;
}

std::vector<PsFrame> FakeVideo(int count, int64_t startMs, int gop, std::size_t size) {
    std::vector<PsFrame> frames;
    for (int i = 0; i < count; ++i) {
        PsFrame f;
        f.timeMs = startMs + 40 * i;
        f.key = i % gop == 0;
        f.payload = FakeAccessUnit(f.key, i, size);
        frames.push_back(f);
    }
    return frames;
}

const std::string& TempDir() {
    // removed with everything in it when the test program ends
    struct Folder {
        std::string path;
        Folder() {
            const char* base = std::getenv("TMPDIR");
            path = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/hiksim.XXXXXX";
            if (mkdtemp(&path[0]) == nullptr) {
                throw std::runtime_error("cannot make a temporary folder");
            }
        }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Folder folder;
    return folder.path;
}

std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = TempDir() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
    return path;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace hiksimtest
