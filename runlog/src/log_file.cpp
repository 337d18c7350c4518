#include "log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "module_path.h"

namespace runlog {
namespace {

// Names tried for one second before giving up; more files than this in one
// second means something else fills the folder.
constexpr int kMaxNameCounter = 1000;

// Writes the log folder into folder; false when the library's file is unknown
// or the name does not fit.
bool logFolder(char* folder, std::size_t size) {
    const char* path = modulePath();
    if (path[0] == '\0') {
        return false;
    }
    const char* slash = std::strrchr(path, '/');
    const int written = slash == nullptr
                            ? std::snprintf(folder, size, "log")
                            : std::snprintf(folder, size, "%.*s/log", static_cast<int>(slash - path), path);
    return written > 0 && static_cast<std::size_t>(written) < size;
}

}  // namespace

int openLogFile(std::time_t now) {
    char folder[PATH_MAX];
    if (!logFolder(folder, sizeof folder)) {
        return -1;
    }
    // a failure shows in the open below
    (void)mkdir(folder, 0777);

    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return -1;
    }
    char name[PATH_MAX];
    for (int counter = 0; counter <= kMaxNameCounter; ++counter) {
        const int year = local.tm_year + 1900;
        const int month = local.tm_mon + 1;
        const int length =
            counter == 0 ? std::snprintf(name, sizeof name, "%s/%d%02d%02d_%02d%02d%02d.log", folder, year, month,
                                         local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec)
                         : std::snprintf(name, sizeof name, "%s/%d%02d%02d_%02d%02d%02d_%d.log", folder, year, month,
                                         local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, counter);
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof name) {
            return -1;
        }
        // O_EXCL: a second file opened within the same second, by this process
        // or another one sharing the library, must not wipe the first
        const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
}

}  // namespace runlog
