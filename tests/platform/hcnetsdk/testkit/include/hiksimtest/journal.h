#pragma once

// The simulated vendor library's journal of calls, one line per call.

#include <string>
#include <vector>

namespace hiksimtest {

std::vector<std::string> Journal();

}  // namespace hiksimtest
