#include "module_path.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <mutex>

namespace OV {
namespace {

std::string queryModulePath() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&queryModulePath), &info) == 0 || info.dli_fname == nullptr) {
        return std::string();
    }
    // dli_fname is the name the library was loaded by, which may be relative
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved) != nullptr) {
        return resolved;
    }
    return info.dli_fname;
}

}  // namespace

const std::string& modulePath() {
    static std::once_flag once;
    static std::string path;
    std::call_once(once, [] { path = queryModulePath(); });
    return path;
}

std::string pluginFolder() {
    const std::string& path = modulePath();
    const auto sep = path.rfind('/');
    const std::string folder = sep == std::string::npos ? std::string() : path.substr(0, sep);
    return folder + "/ovnplugin";
}

}  // namespace OV
