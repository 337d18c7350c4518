#pragma once

#include <string>
#include <vector>

namespace plugin {

// Plug-in files under folder, breadth first. Empty with ok = false when the
// folder itself cannot be opened.
std::vector<std::string> listPluginFiles(const std::string& folder, bool recursive, bool& ok);

}  // namespace plugin
