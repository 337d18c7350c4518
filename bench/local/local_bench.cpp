// The "file" channel of the local media plug-in against the ffmpeg command
// doing the same work in the same run: decode a 720p25 file in real time and
// encode it again with libx264 (ultrafast, zerolatency, CRF 23, one thread,
// an IDR picture every 2 s). Prints the CPU time of each and the ratio
// ours / ffmpeg (target: at most 1.1); then the largest number of channels
// running side by side that each keep at least 24 pictures per second
// (target: 8), next to the number the ffmpeg figure would allow on the
// machine's processors.
//
//   local_bench [--seconds N] [--max-channels N] [--tries N]
//
// The machine may be shared: other processes only ever slow the channels
// down, so a number of channels counts as kept when one of --tries runs
// (default 2) keeps them all at 24 per second.
//
// The 720p source (10 s of testsrc2, a camera-like stream: no B-frames, a key
// frame every 50) is made by ffmpeg in a temporary folder at the start.

#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "file_live_dec.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kTargetRatio = 1.1;
constexpr double kMinFps = 24.0;
constexpr int kTargetChannels = 8;

double cpuSeconds(const rusage& u) {
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double selfCpu() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return cpuSeconds(u);
}

// Runs argv to its end; its CPU time in seconds, < 0 on failure.
double runForCpu(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        return -1;
    }
    if (pid == 0) {
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage u{};
    if (wait4(pid, &status, 0, &u) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return cpuSeconds(u);
}

// Frames delivered to one channel's callback, with the time of each.
struct Counter {
    std::atomic<long> frames{0};
    std::atomic<long> inWindow{0};
    Clock::time_point windowStart;
    Clock::time_point windowEnd;

    OV::FrameCallback callback() {
        return [this](OV::StreamFrame*) {
            ++frames;
            const Clock::time_point now = Clock::now();
            if (now >= windowStart && now < windowEnd) {
                ++inWindow;
            }
        };
    }
};

struct Run {
    double cpu = 0;     // process CPU seconds while the channels ran
    double minFps = 0;  // of the channels, over the measuring window
    long frames = 0;    // all channels, all of the run
};

// n channels on the file for `seconds`; fps measured after a warm-up.
Run runChannels(const std::string& path, int n, int seconds, int warmupSeconds) {
    std::vector<std::unique_ptr<Counter>> counters;
    std::vector<boost::shared_ptr<local::FileLiveDec>> channels;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < n; ++i) {
        counters.emplace_back(new Counter());
        counters.back()->windowStart = start + std::chrono::seconds(warmupSeconds);
        counters.back()->windowEnd = start + std::chrono::seconds(seconds);
        boost::shared_ptr<local::FileLiveDec> channel = local::FileLiveDec::open(path);
        if (!channel) {
            std::fprintf(stderr, "cannot open %s\n", path.c_str());
            std::exit(1);
        }
        channel->SetCallback(counters.back()->callback(), OV::FrameCallback());
        channels.push_back(channel);
    }
    const double cpu0 = selfCpu();
    for (auto& channel : channels) {
        channel->Start();
    }
    std::this_thread::sleep_until(start + std::chrono::seconds(seconds));
    channels.clear();  // each release waits for its worker
    Run run;
    run.cpu = selfCpu() - cpu0;
    run.minFps = 1e9;
    for (auto& c : counters) {
        run.minFps = std::min(run.minFps, c->inWindow.load() / double(seconds - warmupSeconds));
        run.frames += c->frames.load();
    }
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 10;
    int maxChannels = 16;
    int tries = 2;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0) {
            seconds = std::max(4, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--max-channels") == 0) {
            maxChannels = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--tries") == 0) {
            tries = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    char folder[] = "/tmp/local_bench_XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string source = std::string(folder) + "/src720p.mp4";
    const std::string duration = std::to_string(seconds);
    if (runForCpu({"ffmpeg",   "-hide_banner", "-nostdin",
                   "-v",       "error",        "-f",
                   "lavfi",    "-i",           "testsrc2=size=1280x720:rate=25:duration=" + duration,
                   "-c:v",     "libx264",      "-preset",
                   "veryfast", "-bf",          "0",
                   "-g",       "50",           "-pix_fmt",
                   "yuv420p",  "-y",           source}) < 0) {
        std::fprintf(stderr, "ffmpeg could not make the source\n");
        return 1;
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::printf("local_bench: 720p25 source of %d s, %u processors, load average %.2f at the start\n", seconds, cores,
                load[0]);

    // 1. one channel against ffmpeg -re, one after the other
    const Run one = runChannels(source, 1, seconds, 1);
    const double ffmpegCpu = runForCpu(
        {"ffmpeg", "-hide_banner", "-nostdin", "-v",      "error",     "-threads", "1",           "-re",  "-i", source,
         "-an",    "-c:v",         "libx264",  "-preset", "ultrafast", "-tune",    "zerolatency", "-crf", "23", "-g",
         "50",     "-threads",     "1",        "-f",      "null",      "-"});
    if (ffmpegCpu <= 0) {
        std::fprintf(stderr, "ffmpeg -re failed\n");
        return 1;
    }
    const double ratio = one.cpu / ffmpegCpu;
    std::printf(
        "one channel, %d s:  ours %.2f s CPU (%ld frames)  ffmpeg -re %.2f s CPU  ratio %.2f (target <= %.1f) %s\n",
        seconds, one.cpu, one.frames, ffmpegCpu, ratio, kTargetRatio, ratio <= kTargetRatio ? "ok" : "MISSED");

    // 2. channels side by side until one falls below 24 per second
    int best = 0;
    for (int n = 1; n <= maxChannels; ++n) {
        bool kept = false;
        for (int t = 0; t < tries && !kept; ++t) {
            getloadavg(load, 3);
            const Run run = runChannels(source, n, seconds, 2);
            // CPU well below what n channels need means other processes had the processors
            std::printf(
                "  %2d channels: slowest %.1f fps, %.2f s CPU of the %.2f s they need, in %d s (load "
                "average before %.2f)\n",
                n, run.minFps, run.cpu, n * one.cpu, seconds, load[0]);
            std::fflush(stdout);
            kept = run.minFps >= kMinFps;
        }
        if (!kept) {
            break;
        }
        best = n;
    }
    const double byFfmpeg = cores * seconds / ffmpegCpu;
    std::printf(
        "channels at >= %.0f fps: %d (target %d) %s;  ffmpeg's CPU figure allows %.1f on %u processors, "
        "ratio %.2f\n",
        kMinFps, best, kTargetChannels, best >= kTargetChannels ? "ok" : "MISSED", byFfmpeg, cores, best / byFfmpeg);
    std::remove(source.c_str());
    rmdir(folder);
    return 0;
}
