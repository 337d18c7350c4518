// Demultiplexing and muxing throughput on a 60-second 720p25 H.264 stream,
// side by side with FFmpeg's libavformat ("mpeg" demuxer, "vob" muxer) and
// memcpy of the same bytes, for several chunk sizes. Prints MB/s, frames per
// second and the ratios against the references measured in this run.
//
// The stream is encoded at start with libx264 (ultrafast, 4 Mbit/s, a key
// frame every 2 s) from a synthetic moving picture. It is then written twice:
// by HikPSMuxer (one pack per frame) and by FFmpeg's "vob" muxer (2048-byte
// packs; the units are declared MPEG-4 Visual so that FFmpeg puts them into
// stream 0xE0, the one the demultiplexer reads; FFmpeg's own H.264 id is 0xE2).
//
// Usage: psmux_bench [seconds=60] [repeats=7] (each figure is the best of the repeats)

#include <demux/mpeg2_demux.h>
#include <psmux/ps_muxer.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <pstest/ffmpeg_ps.h>
#include <pstest/media_sample.h>

namespace {

using Clock = std::chrono::steady_clock;

const size_t kChunks[] = {188, 4096, 65536, 4 << 20};

// Best time of `repeats` runs, in seconds: the machine is shared, and the
// fastest run is the one least disturbed by others.
double timeOf(int repeats, const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

std::string chunkName(size_t chunk) {
    if (chunk >= (1 << 20)) {
        return std::to_string(chunk >> 20) + " MiB";
    }
    if (chunk >= 1024) {
        return std::to_string(chunk >> 10) + " KiB";
    }
    return std::to_string(chunk) + " B";
}

// Where the muxers' output goes: a stdio-like buffer of `chunk` bytes in
// front of a null device (bytes counted, not kept). As glibc's fwrite does,
// small writes are gathered in the buffer and a write at least as large as
// the buffer goes straight through. FFmpeg's AVIO buffer of the same size
// feeds the same kind of sink. So the figures are the muxers' own cost, not
// that of the memory they would fill.
struct ChunkedSink {
    std::vector<uint8_t> staging;
    size_t staged = 0;
    size_t written = 0;

    void put(const uint8_t* bytes, size_t length) {
        if (staged + length < staging.size()) {
            std::memcpy(staging.data() + staged, bytes, length);
            staged += length;
            return;
        }
        flush();
        if (length >= staging.size()) {
            device(bytes, length);
            return;
        }
        std::memcpy(staging.data(), bytes, length);
        staged = length;
    }
    void flush() {
        device(staging.data(), staged);
        staged = 0;
    }
    void device(const uint8_t* bytes, size_t length) {
        // the written bytes count as read
        asm volatile("" : : "r"(bytes) : "memory");
        written += length;
    }
};

int32_t toSink(const void* data, int32_t length, const PsFrameInfo*, void* user) {
    static_cast<ChunkedSink*>(user)->put(static_cast<const uint8_t*>(data), size_t(length));
    return 0;
}

int32_t toDevice(const void* data, int32_t length, const PsFrameInfo*, void* user) {
    static_cast<ChunkedSink*>(user)->device(static_cast<const uint8_t*>(data), size_t(length));
    return 0;
}

int32_t append(const void* data, int32_t length, const PsFrameInfo*, void* user) {
    auto* out = static_cast<std::vector<uint8_t>*>(user);
    out->insert(out->end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length);
    return 0;
}

std::vector<uint8_t> hikStream(const std::vector<pstest::AccessUnit>& units) {
    std::vector<uint8_t> stream;
    IPsmuxer* muxer = CreatePsMuxer(append, &stream, 0);
    PsFrameInfo info = {};
    for (const auto& unit : units) {
        info.timestampMs = unit.ptsMs;
        muxer->InputFrame(unit.bytes.data(), int32_t(unit.bytes.size()), &info);
    }
    muxer->Release();
    return stream;
}

struct DemuxResult {
    size_t videoBytes = 0;
    size_t frames = 0;
};

DemuxResult demuxOurs(const std::vector<uint8_t>& stream, size_t chunk) {
    DemuxResult result;
    hik::CMpeg2Demux demux;
    demux.SetEsCBK([&result](uint8_t id, const uint8_t*, int32_t length, uint64_t, int32_t) -> int {
        if (id == 0xE0) {
            result.videoBytes += size_t(length);
            ++result.frames;
        }
        return 0;
    });
    for (size_t at = 0; at < stream.size(); at += chunk) {
        demux.AddData(stream.data() + at, int32_t(std::min(chunk, stream.size() - at)));
    }
    return result;
}

DemuxResult demuxFfmpeg(const std::vector<uint8_t>& stream, size_t chunk, bool parse) {
    DemuxResult result;
    pstest::ffmpegReadPs(stream.data(), stream.size(), chunk, parse,
                         [&result](int codecType, int, int64_t, const uint8_t*, int size) {
                             if (codecType == 0) {  // AVMEDIA_TYPE_VIDEO
                                 result.videoBytes += size_t(size);
                                 ++result.frames;
                             }
                         });
    return result;
}

// FFmpeg is measured twice: as av_read_frame delivers by default (the
// demuxer hands H.264 to its parser, which cuts it into access units), and
// with AVFMT_FLAG_NOPARSE (PES payloads as they stand, less work than ours).
void benchDemux(const char* name, const std::vector<uint8_t>& stream, size_t videoInput, int repeats) {
    const double megabytes = double(stream.size()) / 1e6;
    std::printf("\nDemultiplexing the %s stream (%.1f MB)\n", name, megabytes);
    std::printf("%-8s %10s %10s %10s %10s %8s %8s %9s %8s\n", "chunk", "ours", "FFmpeg", "FF raw", "memcpy", "ours/FF",
                "/FF raw", "/memcpy", "frames");
    std::printf("%-8s %10s %10s %10s %10s\n", "", "MB/s", "MB/s", "MB/s", "MB/s");
    std::vector<uint8_t> copy(stream.size(), 1);
    double ours4k = 0;
    double ours4m = 0;
    double minRatio = 1e9;
    DemuxResult ours;
    DemuxResult theirs;
    for (const size_t chunk : kChunks) {
        const double tOurs = timeOf(repeats, [&] { ours = demuxOurs(stream, chunk); });
        const double tFfmpeg = timeOf(repeats, [&] { theirs = demuxFfmpeg(stream, chunk, true); });
        const double tRaw = timeOf(repeats, [&] { demuxFfmpeg(stream, chunk, false); });
        const double tCopy = timeOf(repeats, [&] {
            for (size_t at = 0; at < stream.size(); at += chunk) {
                std::memcpy(copy.data() + at, stream.data() + at, std::min(chunk, stream.size() - at));
            }
        });
        const double rOurs = megabytes / tOurs;
        std::printf("%-8s %10.0f %10.0f %10.0f %10.0f %7.2fx %7.2fx %8.2fx %8zu\n", chunkName(chunk).c_str(), rOurs,
                    megabytes / tFfmpeg, megabytes / tRaw, megabytes / tCopy, tFfmpeg / tOurs, tRaw / tOurs,
                    tCopy / tOurs, ours.frames);
        minRatio = std::min(minRatio, tFfmpeg / tOurs);
        if (chunk == 4096) {
            ours4k = rOurs;
        }
        if (chunk == (4u << 20)) {
            ours4m = rOurs;
        }
    }
    std::printf("  video bytes out: ours %zu, FFmpeg %zu, of %zu in (ours holds back the last pack)\n", ours.videoBytes,
                theirs.videoBytes, videoInput);
    std::printf("  lowest ours/FFmpeg %.2fx (target 3x); ours 4 MiB / 4 KiB = %.2f\n", minRatio, ours4m / ours4k);
}

// FFmpeg's muxer writes through its AVIO buffer, here of the chunk size, to a
// null device. Ours hands out one buffer per frame: written to the null device
// as it is ("Hik", "generic"; what fwrite does with a write larger than its
// buffer), and also through a stdio-like buffer of the chunk size
// ("Hik+stdio"), which costs a second copy once frames are smaller than it.
void benchMux(const std::vector<pstest::AccessUnit>& units, int repeats) {
    size_t inputBytes = 0;
    for (const auto& unit : units) {
        inputBytes += unit.bytes.size();
    }
    const double frames = double(units.size());
    std::printf("\nMuxing %zu frames (%.1f MB of H.264) to a null device; chunk = output buffer size\n", units.size(),
                double(inputBytes) / 1e6);
    std::printf("%-8s %10s %10s %10s %10s %10s %8s %8s %8s\n", "chunk", "Hik", "Hik+stdio", "generic", "FFmpeg",
                "memcpy", "Hik/FF", "+stdio", "gen/FF");
    std::printf("%-8s %10s %10s %10s %10s %10s\n", "", "frames/s", "frames/s", "frames/s", "frames/s", "frames/s");
    double hik4k = 0;
    double hik4m = 0;
    double minRatio = 1e9;
    for (const size_t chunk : kChunks) {
        ChunkedSink sink;
        sink.staging.resize(chunk);
        auto muxWith = [&](int32_t kind, PsOutputFn output) {
            sink.written = 0;
            sink.staged = 0;
            IPsmuxer* muxer = CreatePsMuxer(output, &sink, kind);
            PsFrameInfo info = {};
            for (const auto& unit : units) {
                info.timestampMs = unit.ptsMs;
                info.key = unit.key ? 1 : 0;
                muxer->InputFrame(unit.bytes.data(), int32_t(unit.bytes.size()), &info);
            }
            muxer->Release();
            sink.flush();
        };
        const double tHik = timeOf(repeats, [&] { muxWith(0, toDevice); });
        const double tHikStdio = timeOf(repeats, [&] { muxWith(0, toSink); });
        const double tGeneric = timeOf(repeats, [&] { muxWith(1, toDevice); });
        const double tFfmpeg = timeOf(repeats, [&] {
            pstest::ffmpegWritePs(units, pstest::PsVideoTag::H264, {}, 1280, 720, int(chunk),
                                  [&](const uint8_t* bytes, size_t size) { sink.device(bytes, size); });
        });
        // the limit: one copy of every frame, as a muxer that must hand out each
        // frame in one buffer makes at least
        std::vector<uint8_t> frameCopy(1 << 20);
        const double tCopy = timeOf(repeats, [&] {
            for (const auto& unit : units) {
                std::memcpy(frameCopy.data(), unit.bytes.data(), std::min(unit.bytes.size(), frameCopy.size()));
                sink.device(frameCopy.data(), unit.bytes.size());
            }
        });
        std::printf("%-8s %10.0f %10.0f %10.0f %10.0f %10.0f %7.2fx %7.2fx %7.2fx\n", chunkName(chunk).c_str(),
                    frames / tHik, frames / tHikStdio, frames / tGeneric, frames / tFfmpeg, frames / tCopy,
                    tFfmpeg / tHik, tFfmpeg / tHikStdio, tFfmpeg / tGeneric);
        minRatio = std::min(minRatio, tFfmpeg / tHik);
        if (chunk == 4096) {
            hik4k = frames / tHik;
        }
        if (chunk == (4u << 20)) {
            hik4m = frames / tHik;
        }
    }
    std::printf("  lowest Hik/FFmpeg %.2fx (target 2x); Hik 4 MiB / 4 KiB = %.2f\n", minRatio, hik4m / hik4k);
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 7;
    pstest::VideoParams wanted;
    wanted.width = 1280;
    wanted.height = 720;
    wanted.fps = 25;
    wanted.frames = seconds * 25;
    wanted.gop = 50;
    wanted.bitRate = 4000000;
    wanted.preset = "ultrafast";
    std::printf("Encoding %d s of 720p25 with libx264 ultrafast at 4 Mbit/s...\n", seconds);
    std::fflush(stdout);
    const auto start = Clock::now();
    const auto units = pstest::encodeVideo(wanted);
    size_t keyBytes = 0;
    size_t keys = 0;
    size_t bytes = 0;
    for (const auto& unit : units) {
        bytes += unit.bytes.size();
        if (unit.key) {
            keyBytes += unit.bytes.size();
            ++keys;
        }
    }
    std::printf("%zu frames, %.1f MB, mean frame %zu B, mean key frame %zu B (%.1f s to encode)\n", units.size(),
                double(bytes) / 1e6, bytes / units.size(), keys ? keyBytes / keys : 0,
                std::chrono::duration<double>(Clock::now() - start).count());

    const auto hik = hikStream(units);
    const auto ffmpeg = pstest::ffmpegWritePs(units, pstest::PsVideoTag::Mpeg4, {}, 1280, 720);
    benchDemux("HikPSMuxer", hik, bytes + units.size() * 8, repeats);
    benchDemux("FFmpeg", ffmpeg, bytes, repeats);
    benchMux(units, repeats);
    return 0;
}
