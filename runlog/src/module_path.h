#pragma once

namespace runlog {

// The file of librunlog.so itself (absolute where it can be resolved),
// computed once per process; empty when the query fails.
const char* modulePath();

}  // namespace runlog
