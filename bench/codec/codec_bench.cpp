// Decode, encode and JPEG speed of the codec library, each next to the
// command-line tool doing the same work with the same settings in the same
// run. Prints time per picture and the ratio ours / reference (target: at most
// 1.1).
//
//   codec_bench [clip] [--reps N]
//
// Sources: the test clip looped three times and scaled to 720p and 1080p by
// ffmpeg (veryfast, no B-frames, key frame every 50: a camera-like stream).

#include <ov/avc/file_dec.h>
#include <ov/avc/h264_enc.h>
#include <ov/avc/jpeg_buf.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs a shell command; its wall time in ms, < 0 on failure.
double runTimed(const std::string& command) {
    auto start = Clock::now();
    int rc = std::system(command.c_str());
    double ms = msSince(start);
    return rc == 0 ? ms : -1.0;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// ffmpeg -benchmark prints "bench: utime=..s stime=..s rtime=..s": rtime is the
// transcoding alone, without start-up and probing. Falls back to wall time.
double ffmpegTime(const std::string& args, const std::string& errFile) {
    double wall = runTimed("ffmpeg -hide_banner -nostdin -v error -benchmark " + args + " > " + errFile + " 2>&1");
    if (wall < 0) {
        return -1;
    }
    std::string out = readFile(errFile);
    size_t at = out.rfind("rtime=");
    if (at == std::string::npos) {
        return wall;
    }
    return std::atof(out.c_str() + at + 6) * 1000.0;
}

struct Yuv {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;  // packed Y, U, V
};

AVC::DecFrame frameOf(const Yuv& yuv, int64_t pts) {
    AVC::DecFrame f{};
    f.pts = pts;
    f.width = yuv.width;
    f.height = yuv.height;
    const int cw = (yuv.width + 1) / 2;
    const int ch = (yuv.height + 1) / 2;
    f.data[0] = yuv.bytes.data();
    f.data[1] = f.data[0] + static_cast<size_t>(yuv.width) * yuv.height;
    f.data[2] = f.data[1] + static_cast<size_t>(cw) * ch;
    f.linesize[0] = yuv.width;
    f.linesize[1] = f.linesize[2] = cw;
    return f;
}

void pack(const AVC::DecFrame* f, Yuv* out) {
    out->width = f->width;
    out->height = f->height;
    const int cw = (f->width + 1) / 2;
    const int ch = (f->height + 1) / 2;
    out->bytes.resize(static_cast<size_t>(f->width) * f->height + 2 * static_cast<size_t>(cw) * ch);
    uint8_t* dst = out->bytes.data();
    const int widths[3] = {f->width, cw, cw};
    const int heights[3] = {f->height, ch, ch};
    for (int p = 0; p < 3; ++p) {
        for (int row = 0; row < heights[p]; ++row) {
            std::memcpy(dst, f->data[p] + static_cast<size_t>(row) * f->linesize[p], static_cast<size_t>(widths[p]));
            dst += widths[p];
        }
    }
}

struct DecodeRun {
    double ms = -1;
    int frames = 0;
};

DecodeRun decodeFile(const std::string& path, std::vector<Yuv>* keep, size_t keepCount) {
    DecodeRun run;
    auto dec = AVC::CreateFileDec(path.c_str());
    if (!dec) {
        return run;
    }
    dec->Start([&](AVC::DecFrame* f) {
        ++run.frames;
        if (keep && keep->size() < keepCount) {
            keep->emplace_back();
            pack(f, &keep->back());
        }
    });
    auto start = Clock::now();
    while (dec->Step() >= 0) {
    }
    run.ms = msSince(start);
    return run;
}

double encodeFrames(const std::vector<Yuv>& frames, int total, size_t* bytes) {
    auto enc = AVC::CreateH264Enc(frames[0].width, frames[0].height);
    if (!enc) {
        return -1;
    }
    *bytes = 0;
    enc->SetOutput([bytes](AVC::Packet* p) { *bytes += static_cast<size_t>(p->size); });
    auto start = Clock::now();
    for (int i = 0; i < total; ++i) {
        AVC::DecFrame f = frameOf(frames[static_cast<size_t>(i) % frames.size()], int64_t{i} * 40);
        enc->Encode(&f);
    }
    return msSince(start);
}

void row(const char* what, double ours, double theirs, int frames) {
    if (ours < 0 || theirs < 0 || frames <= 0) {
        std::printf("%-34s  failed\n", what);
        return;
    }
    std::printf("%-34s  ours %8.3f ms  reference %8.3f ms  ratio %.2f  (%.0f vs %.0f per s)\n", what, ours / frames,
                theirs / frames, ours / theirs, 1000.0 * frames / ours, 1000.0 * frames / theirs);
}

}  // namespace

int main(int argc, char** argv) {
    std::string clip = OV_BENCH_CLIP;
    int reps = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--reps") == 0 && i + 1 < argc) {
            reps = std::max(1, std::atoi(argv[++i]));
        } else {
            clip = argv[i];
        }
    }
    char dirTemplate[] = "/tmp/codec_bench.XXXXXX";
    if (!mkdtemp(dirTemplate)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = dirTemplate;
    const std::string err = dir + "/ffmpeg.err";
    std::printf("codec_bench: best of %d runs, one thread everywhere; ratio = ours / reference\n", reps);
    std::printf("encoder: libx264 ultrafast, zerolatency, crf 23, IDR every 2 s; JPEG quality %d\n\n",
                AVC::kJpegQuality);

    double decode720 = -1;
    double encode720 = -1;
    const struct {
        int width;
        int height;
        const char* name;
    } sizes[] = {{1280, 720, "720p"}, {1920, 1080, "1080p"}};
    for (const auto& size : sizes) {
        const std::string src = dir + "/src_" + size.name + ".mp4";
        char scale[64];
        std::snprintf(scale, sizeof scale, "scale=%d:%d", size.width, size.height);
        if (runTimed("ffmpeg -hide_banner -nostdin -v error -y -stream_loop 2 -i '" + clip + "' -vf " + scale +
                     " -c:v libx264 -preset veryfast -bf 0 -g 50 -crf 23 -pix_fmt yuv420p '" + src + "'") < 0) {
            std::fprintf(stderr, "cannot make the %s source with ffmpeg\n", size.name);
            return 1;
        }

        // decode: FileDec over the whole file against ffmpeg decoding to nothing
        std::vector<Yuv> frames;
        double ours = 1e300;
        double theirs = 1e300;
        int count = 0;
        for (int r = 0; r < reps; ++r) {
            DecodeRun run = decodeFile(src, r == 0 ? &frames : nullptr, 50);
            count = run.frames;
            ours = std::min(ours, run.ms);
            theirs = std::min(theirs, ffmpegTime("-threads 1 -i '" + src + "' -f null -", err));
        }
        row((std::string("decode H.264 ") + size.name).c_str(), ours, theirs, count);
        if (frames.empty()) {
            std::fprintf(stderr, "our decoder gave no picture of the %s source\n", size.name);
            return 1;
        }
        if (size.width == 1280) {
            decode720 = ours / count;
        }

        // encode: the same 50 pictures, looped to 250, from memory against ffmpeg from a raw file
        const std::string raw = dir + "/frames_" + size.name + ".yuv";
        {
            std::ofstream out(raw, std::ios::binary);
            for (const Yuv& f : frames) {
                out.write(reinterpret_cast<const char*>(f.bytes.data()), static_cast<std::streamsize>(f.bytes.size()));
            }
        }
        const int loops = 5;
        const int total = static_cast<int>(frames.size()) * loops;
        char rawArgs[160];
        std::snprintf(rawArgs, sizeof rawArgs, "-f rawvideo -pix_fmt yuv420p -s %dx%d -r 25 -stream_loop %d -i ",
                      size.width, size.height, loops - 1);
        ours = theirs = 1e300;
        size_t bytes = 0;
        for (int r = 0; r < reps; ++r) {
            ours = std::min(ours, encodeFrames(frames, total, &bytes));
            theirs = std::min(theirs, ffmpegTime(std::string(rawArgs) + "'" + raw +
                                                     "' -c:v libx264 -preset ultrafast -tune zerolatency -crf 23 "
                                                     "-threads 1 -g 50 -forced-idr 1 -f null -",
                                                 err));
        }
        row((std::string("encode H.264 ") + size.name).c_str(), ours, theirs, total);
        std::printf("%-34s  %.0f kbit/s at 25 per s\n", "  our stream", bytes * 8.0 / 1000.0 / (total / 25.0));
        if (size.width == 1280) {
            encode720 = ours / total;
        }

        if (size.width == 1920 && !frames.empty()) {
            // JPEG of one 1080p picture against cjpeg at the same quality; cjpeg
            // reads a PPM and converts RGB to YCbCr itself, our call starts from
            // the decoder's YCbCr planes.
            const Yuv& picture = frames[frames.size() / 2];
            const std::string one = dir + "/one.yuv";
            const std::string ppm = dir + "/one.ppm";
            std::ofstream(one, std::ios::binary)
                .write(reinterpret_cast<const char*>(picture.bytes.data()),
                       static_cast<std::streamsize>(picture.bytes.size()));
            char convert[512];
            std::snprintf(convert, sizeof convert,
                          "ffmpeg -hide_banner -nostdin -v error -y -f rawvideo -pix_fmt yuv420p -s %dx%d -i '%s' "
                          "-frames:v 1 '%s'",
                          picture.width, picture.height, one.c_str(), ppm.c_str());
            if (runTimed(convert) < 0) {
                std::fprintf(stderr, "cannot make the PPM for cjpeg\n");
                return 1;
            }
            constexpr int kJpegs = 20;
            double oursJpeg = 1e300;
            double cjpeg = 1e300;
            int32_t jpegSize = 0;
            for (int r = 0; r < reps; ++r) {
                auto start = Clock::now();
                for (int i = 0; i < kJpegs; ++i) {
                    auto jpeg = AVC::yuv420p_to_jpeg(picture.bytes.data(), picture.width, picture.height);
                    jpegSize = jpeg ? jpeg->Size() : -1;
                }
                oursJpeg = std::min(oursJpeg, msSince(start));
                std::string cmd = "for i in $(seq " + std::to_string(kJpegs) + "); do cjpeg -quality " +
                                  std::to_string(AVC::kJpegQuality) + " -outfile '" + dir + "/one.jpg' '" + ppm +
                                  "' || exit 1; done";
                cjpeg = std::min(cjpeg, runTimed(cmd));
            }
            row("JPEG 1080p (cjpeg, process incl.)", oursJpeg, cjpeg, kJpegs);
            std::printf("%-34s  ours %d bytes, cjpeg %zu bytes\n", "  picture size", jpegSize,
                        readFile(dir + "/one.jpg").size());
        }
    }
    if (decode720 > 0 && encode720 > 0) {
        const double perFrame = decode720 + encode720;
        std::printf(
            "\n720p25 file channel (decode + encode): %.2f ms per picture = %.0f%% of one core; "
            "8 channels need %.2f cores\n",
            perFrame, perFrame * 25 / 10.0, perFrame * 25 * 8 / 1000.0);
    }
    std::system(("rm -rf '" + dir + "'").c_str());
    return 0;
}
