// Lines per second of runlog against spdlog, both flushing every line to a
// file, with one thread and with four. runlog also prints every line to
// standard output, so descriptor 1 points to /dev/null while the loggers run;
// spdlog is measured with a file sink alone and with a file sink plus a
// standard-output sink, which is what runlog does.
//
// Usage: runlog_bench [lines] [rounds]

#include <dlfcn.h>
#include <fcntl.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ov/runlog.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// "line nnnnnnn thread t " (22 bytes) and the padding make a 51-byte message; with the
// time stamp, level word and line end both loggers write 80-byte lines.
const std::string kPadding(29, 'x');

// Seconds for `threads` threads to log `lines` lines between them, all
// starting together.
double timeLines(int threads, int lines, const std::function<void(int thread, int line)>& log) {
    std::atomic<int> waiting{threads};
    std::atomic<bool> go{false};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        const int count = lines / threads + (t < lines % threads ? 1 : 0);
        workers.emplace_back([&, t, count] {
            --waiting;
            while (!go.load()) {
                std::this_thread::yield();
            }
            for (int i = 0; i < count; ++i) {
                log(t, i);
            }
        });
    }
    while (waiting.load() > 0) {
        std::this_thread::yield();
    }
    const auto start = Clock::now();
    go = true;
    for (std::thread& worker : workers) {
        worker.join();
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

fs::path freshFolder(const fs::path& root, const std::string& name) {
    const fs::path folder = root / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

double runRunlog(const fs::path& root, int threads, int lines) {
    const fs::path folder = freshFolder(root, "runlog");
    const fs::path library = folder / "librunlog.so";
    fs::copy_file(RUNLOG_LIBRARY, library);
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", library.c_str(), dlerror());
        std::exit(1);
    }
    auto* info = reinterpret_cast<decltype(&OVLogInfo)>(dlsym(handle, "OVLogInfo"));
    const double seconds =
        timeLines(threads, lines, [info](int t, int i) { info("line %07d thread %d %s", i, t, kPadding.c_str()); });
    dlclose(handle);
    fs::remove_all(folder);
    return seconds;
}

double runSpdlog(const fs::path& root, int threads, int lines, bool withStdout) {
    const fs::path folder = freshFolder(root, "spdlog");
    std::vector<spdlog::sink_ptr> sinks{
        std::make_shared<spdlog::sinks::basic_file_sink_mt>((folder / "bench.log").string(), true)};
    if (withStdout) {
        sinks.push_back(std::make_shared<spdlog::sinks::stdout_sink_mt>());
    }
    auto logger = std::make_shared<spdlog::logger>("bench", sinks.begin(), sinks.end());
    // the same line as runlog's: local time stamp, level word, message, "\r\n"
    logger->set_formatter(std::make_unique<spdlog::pattern_formatter>("%Y-%m-%d %H:%M:%S [%l] %v",
                                                                      spdlog::pattern_time_type::local, "\r\n"));
    logger->flush_on(spdlog::level::trace);
    const double seconds = timeLines(
        threads, lines, [&logger](int t, int i) { logger->info("line {:07d} thread {} {}", i, t, kPadding); });
    logger.reset();
    sinks.clear();
    fs::remove_all(folder);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 200000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    if (lines <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: runlog_bench [lines] [rounds]\n");
        return 2;
    }
    std::string pattern = (fs::temp_directory_path() / "runlog_bench_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;

    // results go to the original standard output; the loggers print into /dev/null
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    FILE* report = fdopen(saved, "w");
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);

    std::fprintf(report,
                 "runlog against spdlog %d.%d.%d: %d lines of 80 bytes, every line flushed to its file,\n"
                 "standard output redirected to /dev/null during the runs, best of %d rounds, files in %s\n\n",
                 SPDLOG_VER_MAJOR, SPDLOG_VER_MINOR, SPDLOG_VER_PATCH, lines, rounds, root.c_str());
    std::fprintf(report, "%-8s %16s %20s %8s %22s %8s\n", "threads", "runlog lines/s", "spdlog file lines/s", "ratio",
                 "spdlog file+stdout l/s", "ratio");
    std::fflush(report);

    for (const int threads : {1, 4}) {
        double runlog = 1e30;
        double file = 1e30;
        double fileAndStdout = 1e30;
        // interleaved rounds, so a slow phase of the machine hurts all three alike
        for (int round = 0; round < rounds; ++round) {
            runlog = std::min(runlog, runRunlog(root, threads, lines));
            file = std::min(file, runSpdlog(root, threads, lines, false));
            fileAndStdout = std::min(fileAndStdout, runSpdlog(root, threads, lines, true));
        }
        const double runlogRate = lines / runlog;
        const double fileRate = lines / file;
        const double bothRate = lines / fileAndStdout;
        std::fprintf(report, "%-8d %16.0f %20.0f %8.2f %22.0f %8.2f\n", threads, runlogRate, fileRate,
                     runlogRate / fileRate, bothRate, runlogRate / bothRate);
        std::fflush(report);
    }
    std::fprintf(report, "\nratio = runlog lines/s / spdlog lines/s (above 1: runlog is faster)\n");

    fs::remove_all(root);
    std::fclose(report);
    return 0;
}
