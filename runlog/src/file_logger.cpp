#include "file_logger.h"

#include <stdio_ext.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "log_file.h"

namespace runlog {
namespace {

// Bytes counted per line besides the time stamp and the message (the level
// word is left out, so the count runs a little short).
constexpr std::size_t kFixedBytesCounted = 9;

// Closes the log file when the process exits or the library is unloaded.
struct CloseAtExit {
    FileLogger& logger;
    ~CloseAtExit() { logger.close(); }
};

void writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;  // a full disk costs lines, not the caller
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
}

// One write per line, in order with what the host prints through stdio: with
// nothing of the host's waiting in the stream's buffer the line goes straight
// to the descriptor, otherwise behind the waiting bytes.
void printToStdout(const char* text, std::size_t size) {
    flockfile(stdout);
    if (__fpending(stdout) == 0) {
        writeAll(fileno_unlocked(stdout), text, size);
    } else {
        fwrite_unlocked(text, 1, size, stdout);
        fflush_unlocked(stdout);
    }
    funlockfile(stdout);
}

}  // namespace

// The logger itself is never destroyed, so lines logged from other exit
// handlers or static destructors still reach standard output.
static_assert(std::is_trivially_destructible_v<FileLogger>);

FileLogger& FileLogger::instance() {
    static FileLogger logger;
    static const CloseAtExit closer{logger};
    return logger;
}

FileLogger::FileLogger() {
    openFile(std::time(nullptr));
}

void FileLogger::openFile(std::time_t now) {
    file_ = openLogFile(now);
    if (file_ < 0) {
        static const char kError[] = "log file create error\n";
        printToStdout(kError, sizeof kError - 1);
    }
}

void FileLogger::close() {
    std::lock_guard<std::mutex> guard(lock_);
    if (file_ >= 0) {
        ::close(file_);
        file_ = -1;
    }
    written_ = 0;
}

void FileLogger::updateStamp(std::time_t now) {
    if (now == stampSecond_) {
        return;
    }
    std::tm local{};
    int length = -1;
    if (localtime_r(&now, &local) != nullptr) {
        length = std::snprintf(stamp_, sizeof stamp_, "%d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                               local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    }
    stampLength_ =
        length > 0 && static_cast<std::size_t>(length) < sizeof stamp_ ? static_cast<std::size_t>(length) : 0;
    stampSecond_ = now;
}

void FileLogger::write(const char* level, const char* message, std::size_t length) {
    if (length >= kMessageCapacity) {
        length = kMessageCapacity - 1;
    }
    const std::size_t levelLength = std::strlen(level);
    if (levelLength > 8) {
        return;
    }

    std::lock_guard<std::mutex> guard(lock_);
    const std::time_t now = std::time(nullptr);
    if (written_ > kRotateBytes) {
        written_ = 0;
        if (file_ >= 0) {
            ::close(file_);
            file_ = -1;
        }
        openFile(now);
    }
    updateStamp(now);

    char* out = line_;
    std::memcpy(out, stamp_, stampLength_);
    out += stampLength_;
    *out++ = ' ';
    *out++ = '[';
    std::memcpy(out, level, levelLength);
    out += levelLength;
    *out++ = ']';
    *out++ = ' ';
    std::memcpy(out, message, length);
    out += length;
    *out++ = '\r';
    *out++ = '\n';
    const auto size = static_cast<std::size_t>(out - line_);

    printToStdout(line_, size);
    if (file_ >= 0) {
        // no buffer of ours: the line is with the system once write returns
        writeAll(file_, line_, size);
        written_ += static_cast<std::int32_t>(stampLength_ + length + kFixedBytesCounted);
    }
}

}  // namespace runlog
