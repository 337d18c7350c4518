#include "ov/runlog.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testing::MatchesRegex;
using LogFunction = decltype(&OVLogInfo);

constexpr char kStampPattern[] = "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}";
constexpr std::size_t kStampLength = 19;

// Counted bytes per line besides time stamp and message, and the size after
// which a new file starts.
constexpr std::size_t kCountedExtra = 9;
constexpr std::size_t kRotateBytes = 524288;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// Lines with their "\r\n"; text after the last line feed counts as a line too.
std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, next - start));
        start = next;
    }
    return lines;
}

std::string localStamp(std::time_t when, const char* format) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

// The creation time a log file name carries, "yyyymmdd_hhmmss", and its
// counter (0 without one), so that files sort in the order they were opened.
std::pair<std::string, int> nameKey(const fs::path& file) {
    const std::string stem = file.stem().string();
    const int counter = stem.size() > 16 ? std::atoi(stem.c_str() + 16) : 0;
    return {stem.substr(0, 15), counter};
}

// Redirects descriptor 1 into a file until stop(), which returns what was printed.
class StdoutCapture {
public:
    explicit StdoutCapture(fs::path file) : file_(std::move(file)) {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        const int fd = open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDOUT_FILENO);
        close(fd);
    }
    ~StdoutCapture() { stop(); }

    std::string stop() {
        if (saved_ >= 0) {
            std::fflush(stdout);
            dup2(saved_, STDOUT_FILENO);
            close(saved_);
            saved_ = -1;
        }
        return readFile(file_);
    }

private:
    fs::path file_;
    int saved_ = -1;
};

// Each test loads a private copy of librunlog.so from a fresh temporary
// folder, so it meets a logger that has not logged yet and a log folder of
// its own: <root>/lib/librunlog.so logs into <root>/lib/log.
class RunlogTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "runlog_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        libFolder_ = root_ / "lib";
        fs::create_directory(libFolder_);
        const fs::path library = libFolder_ / "librunlog.so";
        fs::copy_file(RUNLOG_LIBRARY, library);
        handle_ = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        info = resolve("OVLogInfo");
        trace = resolve("OVLogTrace");
        error = resolve("OVLogError");
        warning = resolve("OVLogWarning");
        debug = resolve("OVLogDebug");
    }

    void TearDown() override {
        unload();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    void unload() {
        if (handle_ != nullptr) {
            dlclose(handle_);
            handle_ = nullptr;
        }
    }

    fs::path logFolder() const { return libFolder_ / "log"; }
    fs::path stdoutFile() const { return root_ / "stdout.txt"; }

    // The log files in the order they were opened.
    std::vector<fs::path> logFiles() const {
        std::vector<fs::path> files;
        if (fs::is_directory(logFolder())) {
            for (const auto& entry : fs::directory_iterator(logFolder())) {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end(),
                  [](const fs::path& a, const fs::path& b) { return nameKey(a) < nameKey(b); });
        return files;
    }

    fs::path root_;
    fs::path libFolder_;
    void* handle_ = nullptr;
    LogFunction info = nullptr;
    LogFunction trace = nullptr;
    LogFunction error = nullptr;
    LogFunction warning = nullptr;
    LogFunction debug = nullptr;

private:
    LogFunction resolve(const char* name) {
        auto* function = reinterpret_cast<LogFunction>(dlsym(handle_, name));
        EXPECT_NE(function, nullptr) << name;
        return function;
    }
};

// The run sets TZ to eight hours east of UTC, so a stamp in UTC would show.
TEST_F(RunlogTest, EveryLevelWritesTheSameLineToStdoutAndToTheFileInLocalTime) {
    const std::time_t before = std::time(nullptr);
    StdoutCapture out(stdoutFile());
    info("x=%d", 5);
    trace("x=%d", 5);
    error("x=%d", 5);
    warning("x=%d", 5);
    const std::string printed = out.stop();
    const std::time_t after = std::time(nullptr);

    const std::vector<fs::path> files = logFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_THAT(files[0].filename().string(), MatchesRegex("[0-9]{8}_[0-9]{6}\\.log"));
    EXPECT_GE(nameKey(files[0]).first, localStamp(before, "%Y%m%d_%H%M%S"));
    EXPECT_LE(nameKey(files[0]).first, localStamp(after, "%Y%m%d_%H%M%S"));
    EXPECT_EQ(readFile(files[0]), printed);

    const std::vector<std::string> lines = splitLines(printed);
    const char* const levels[] = {"Info", "Trace", "Error", "Warning"};
    ASSERT_EQ(lines.size(), std::size(levels));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_THAT(lines[i], MatchesRegex(std::string(kStampPattern) + " \\[" + levels[i] + "\\] x=5\r\n"));
        EXPECT_GE(lines[i].substr(0, kStampLength), localStamp(before, "%Y-%m-%d %H:%M:%S"));
        EXPECT_LE(lines[i].substr(0, kStampLength), localStamp(after, "%Y-%m-%d %H:%M:%S"));
    }
}

TEST_F(RunlogTest, LinesKeepTheirPlaceAmongTheHostsOwnOutput) {
    StdoutCapture out(stdoutFile());
    std::printf("host: ");  // no line end, so it waits in stdio's buffer
    info("x=%d", 5);
    std::printf("host again\n");
    const std::string printed = out.stop();
    EXPECT_THAT(printed, MatchesRegex(std::string("host: ") + kStampPattern + " \\[Info\\] x=5\r\nhost again\n"));
}

TEST_F(RunlogTest, DebugWritesNothingAndCreatesNothing) {
    StdoutCapture out(stdoutFile());
    EXPECT_EQ(debug("x=%d", 5), 0);
    EXPECT_EQ(out.stop(), "");
    EXPECT_FALSE(fs::exists(logFolder()));
}

TEST_F(RunlogTest, LongMessageIsCutWithinTheBuffer) {
    const std::string message = std::string(4998, 'a') + "\xE4\xB8\xAD" + std::string(1000, 'b');
    StdoutCapture out(stdoutFile());
    info("%s", message.c_str());
    const std::string printed = out.stop();

    const std::vector<fs::path> files = logFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(readFile(files[0]), printed);
    // the UTF-8 character across the 4999-byte limit goes as a whole
    EXPECT_EQ(printed.substr(kStampLength), " [Info] " + std::string(4998, 'a') + "\r\n");
}

TEST_F(RunlogTest, NextLineAfterTheCountedLimitGoesToANewFile) {
    // A 100-byte message counts 19 + 100 + 9 = 128 bytes: after 4096 lines
    // the count equals the limit, after 4097 it passes it.
    const std::string padding(93, 'p');
    const std::size_t linesInFirst = kRotateBytes / (kStampLength + 100 + kCountedExtra) + 1;
    ASSERT_EQ(linesInFirst, 4097u);

    StdoutCapture out(stdoutFile());
    for (std::size_t i = 0; i < linesInFirst; ++i) {
        info("%06zu %s", i, padding.c_str());
    }
    const std::time_t before = std::time(nullptr);
    info("%06zu %s", linesInFirst, padding.c_str());
    const std::time_t after = std::time(nullptr);
    info("%06zu %s", linesInFirst + 1, padding.c_str());
    const std::string printed = out.stop();

    const std::vector<fs::path> files = logFiles();
    ASSERT_EQ(files.size(), 2u);
    const std::string first = readFile(files[0]);
    const std::string second = readFile(files[1]);
    EXPECT_EQ(first + second, printed);
    EXPECT_EQ(splitLines(first).size(), linesInFirst);
    const std::vector<std::string> secondLines = splitLines(second);
    ASSERT_EQ(secondLines.size(), 2u);
    EXPECT_EQ(secondLines[0].substr(kStampLength + 8, 7), "004097 ");
    EXPECT_GE(nameKey(files[1]).first, localStamp(before, "%Y%m%d_%H%M%S"));
    EXPECT_LE(nameKey(files[1]).first, localStamp(after, "%Y%m%d_%H%M%S"));
}

TEST_F(RunlogTest, FileOpenedInATakenSecondGetsACounterAndOlderLogsStay) {
    // Names of the next minute taken, with and without counter, so the
    // logger meets the collision whenever it opens its file.
    fs::create_directory(logFolder());
    const std::time_t now = std::time(nullptr);
    std::set<std::string> taken;
    for (std::time_t second = now - 1; second <= now + 60; ++second) {
        const std::string stamp = localStamp(second, "%Y%m%d_%H%M%S");
        for (const std::string& name : {stamp + ".log", stamp + "_1.log"}) {
            writeFile(logFolder() / name, "keep " + name + "\n");
            taken.insert(name);
        }
    }

    StdoutCapture out(stdoutFile());
    info("x=%d", 5);
    const std::string printed = out.stop();

    std::vector<fs::path> created;
    for (const fs::path& file : logFiles()) {
        const std::string name = file.filename().string();
        if (taken.count(name) == 0) {
            created.push_back(file);
        } else {
            EXPECT_EQ(readFile(file), "keep " + name + "\n");
        }
    }
    ASSERT_EQ(created.size(), 1u);
    const std::string name = created[0].filename().string();
    EXPECT_THAT(name, MatchesRegex("[0-9]{8}_[0-9]{6}_2\\.log"));
    EXPECT_EQ(taken.count(name.substr(0, 15) + ".log"), 1u);
    EXPECT_EQ(readFile(created[0]), printed);
}

// Root may write into any folder, so the folder is made unusable by a
// regular file named "log" where the log folder belongs.
TEST_F(RunlogTest, WithoutAUsableLogFolderLinesStillReachStdout) {
    writeFile(logFolder(), "not a folder\n");
    StdoutCapture out(stdoutFile());
    info("x=%d", 5);
    warning("y");
    const std::string printed = out.stop();

    EXPECT_THAT(printed, MatchesRegex(std::string("log file create error\n") + kStampPattern + " \\[Info\\] x=5\r\n" +
                                      kStampPattern + " \\[Warning\\] y\r\n"));
    EXPECT_EQ(readFile(logFolder()), "not a folder\n");
}

TEST_F(RunlogTest, ThreadsLoggingAtOnceLoseAndInterleaveNothing) {
    constexpr int kThreads = 8;
    constexpr int kLines = 1500;
    // "thread t line nnnnn " is 20 bytes: 100-byte messages as above
    const std::string padding(80, 'p');
    std::atomic<int> waiting{kThreads};

    StdoutCapture out(stdoutFile());
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            // all threads make their first call together, racing to create the logger
            --waiting;
            while (waiting.load() > 0) {
                std::this_thread::yield();
            }
            for (int i = 0; i < kLines; ++i) {
                info("thread %d line %05d %s", t, i, padding.c_str());
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const std::string printed = out.stop();

    // one logger: files fill in turn, each but the last with exactly 4097 lines
    const std::size_t linesPerFile = kRotateBytes / (kStampLength + 100 + kCountedExtra) + 1;
    const std::size_t total = kThreads * kLines;
    const std::vector<fs::path> files = logFiles();
    ASSERT_EQ(files.size(), (total + linesPerFile - 1) / linesPerFile);
    std::string written;
    for (std::size_t f = 0; f < files.size(); ++f) {
        const std::string content = readFile(files[f]);
        if (f + 1 < files.size()) {
            EXPECT_EQ(splitLines(content).size(), linesPerFile) << files[f];
        }
        written += content;
    }
    EXPECT_EQ(written, printed);

    const std::vector<std::string> lines = splitLines(printed);
    ASSERT_EQ(lines.size(), total);
    std::map<int, int> next;
    for (const std::string& line : lines) {
        int thread = -1;
        int index = -1;
        ASSERT_EQ(std::sscanf(line.c_str() + kStampLength, " [Info] thread %d line %d", &thread, &index), 2) << line;
        char expected[160];
        std::snprintf(expected, sizeof expected, " [Info] thread %d line %05d %s\r\n", thread, index, padding.c_str());
        ASSERT_EQ(line.substr(kStampLength), expected);
        ASSERT_EQ(index, next[thread]) << "thread " << thread;
        next[thread] = index + 1;
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(next[t], kLines);
    }
}

TEST_F(RunlogTest, UnloadingTheLibraryClosesTheLogFile) {
    const auto openLogFiles = [this] {
        int count = 0;
        for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
            std::error_code failed;
            const fs::path target = fs::read_symlink(entry.path(), failed);
            if (!failed && target.parent_path() == logFolder()) {
                ++count;
            }
        }
        return count;
    };
    StdoutCapture out(stdoutFile());
    info("x=%d", 5);
    out.stop();
    EXPECT_EQ(openLogFiles(), 1);
    unload();
    EXPECT_EQ(openLogFiles(), 0);
}

}  // namespace
