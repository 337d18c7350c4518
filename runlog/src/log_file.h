#pragma once

#include <ctime>

namespace runlog {

// Opens a new log file in the folder "log" beside librunlog.so, creating the
// folder when it is missing (its parent, the library's own folder, exists
// while the library is loaded). The file is named by the local time now as
// "yyyymmdd_hhmmss.log"; when that name is taken, "yyyymmdd_hhmmss_<n>.log"
// with the smallest free n from 1, so an existing log is never replaced.
// Returns the descriptor, or -1 when no file could be created.
int openLogFile(std::time_t now);

}  // namespace runlog
