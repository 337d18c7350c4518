#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <mutex>

#include "message_text.h"

namespace runlog {

// The one logger of the process. Every line goes to standard output and, when
// a log file is open, to that file; a new file starts once the bytes counted
// in the current one pass kRotateBytes.
class FileLogger {
public:
    // Counted per line: time stamp + message + 9. The level word is not
    // counted and the check runs before a line is written, so a file ends a
    // little past this size.
    static constexpr std::int32_t kRotateBytes = 0x80000;

    // Created on the first call, opening the first log file; the file is
    // closed at process exit or when the library is unloaded.
    static FileLogger& instance();

    // Writes "<time stamp> [<level>] <message>\r\n" and flushes it.
    void write(const char* level, const char* message, std::size_t length);

    // Closes the file; later lines reach standard output only.
    void close();

private:
    FileLogger();

    void openFile(std::time_t now);
    void updateStamp(std::time_t now);

    int file_ = -1;
    std::mutex lock_;
    std::int32_t written_ = 0;

    // Guarded by lock_: the time stamp of the last second a line was written
    // in (local time is only computed once a second), and room to build a line.
    std::time_t stampSecond_ = -1;
    std::size_t stampLength_ = 0;
    char stamp_[64] = {};
    char line_[sizeof stamp_ + 16 + kMessageCapacity] = {};
};

}  // namespace runlog
