#include "ov/runlog.h"

#include <cstdarg>

#include "file_logger.h"
#include "message_text.h"

namespace {

std::int32_t logLine(const char* level, const char* format, std::va_list args) {
    if (format == nullptr) {
        return 0;
    }
    char message[runlog::kMessageCapacity];
    const std::size_t length = runlog::formatMessage(message, format, args);
    try {
        runlog::FileLogger::instance().write(level, message, length);
    } catch (...) {
        // a failing lock loses the line; nothing may leave a C export
    }
    return 0;
}

}  // namespace

extern "C" {

std::int32_t OVLogInfo(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::int32_t result = logLine("Info", format, args);
    va_end(args);
    return result;
}

std::int32_t OVLogTrace(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::int32_t result = logLine("Trace", format, args);
    va_end(args);
    return result;
}

std::int32_t OVLogError(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::int32_t result = logLine("Error", format, args);
    va_end(args);
    return result;
}

std::int32_t OVLogWarning(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::int32_t result = logLine("Warning", format, args);
    va_end(args);
    return result;
}

std::int32_t OVLogDebug(const char*, ...) {
    return 0;
}

}  // extern "C"
