#pragma once

#include <string>

namespace OV {

// The file of libdevcore.so itself, computed once per process; empty when the
// query fails.
const std::string& modulePath();

// The folder holding the plug-ins: "ovnplugin" beside libdevcore.so.
std::string pluginFolder();

}  // namespace OV
