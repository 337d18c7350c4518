#include "module_path.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace runlog {
namespace {

struct ModulePath {
    char text[PATH_MAX] = {};

    ModulePath() {
        Dl_info info;
        if (dladdr(reinterpret_cast<void*>(&modulePath), &info) == 0 || info.dli_fname == nullptr) {
            return;
        }
        // dli_fname is the name the library was loaded by, which may be relative
        if (realpath(info.dli_fname, text) == nullptr) {
            const std::size_t length = std::strlen(info.dli_fname);
            if (length < sizeof text) {
                std::memcpy(text, info.dli_fname, length + 1);
            } else {
                text[0] = '\0';
            }
        }
    }
};

}  // namespace

const char* modulePath() {
    static const ModulePath path;
    return path.text;
}

}  // namespace runlog
