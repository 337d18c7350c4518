#include "folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <set>
#include <utility>

namespace plugin {
namespace {

const char* const kPluginExtension = "ovn";

std::string joinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

// The text after the last dot, or the whole name when it has none: a file
// named just "ovn" is a plug-in, "hik.OVN" and "hik.ovn.bak" are not.
bool hasPluginExtension(const std::string& name) {
    const auto dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? name : name.substr(dot + 1);
    return ext == kPluginExtension;
}

// Entry names of one folder in byte order, so the load order (and with it which
// of two plug-ins registering the same key wins) does not depend on the file
// system's hashing.
bool readFolder(const std::string& folder, std::vector<std::string>& names) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return false;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}

}  // namespace

std::vector<std::string> listPluginFiles(const std::string& folder, bool recursive, bool& ok) {
    std::vector<std::string> files;
    std::deque<std::string> queue{folder};
    // folders reached through links are walked once, so a link cycle cannot loop
    std::set<std::pair<dev_t, ino_t>> visited;
    ok = false;
    bool first = true;
    while (!queue.empty()) {
        const std::string current = std::move(queue.front());
        queue.pop_front();
        struct stat st;
        std::vector<std::string> names;
        if (stat(current.c_str(), &st) != 0 || !visited.insert({st.st_dev, st.st_ino}).second ||
            !readFolder(current, names)) {
            if (first) {
                return files;
            }
            continue;
        }
        if (first) {
            ok = true;
            first = false;
        }
        for (const std::string& name : names) {
            const std::string full = joinPath(current, name);
            struct stat entry;
            if (stat(full.c_str(), &entry) == 0 && S_ISDIR(entry.st_mode)) {
                if (recursive) {
                    queue.push_back(full);
                }
            } else if (hasPluginExtension(name)) {
                files.push_back(full);
            }
        }
    }
    return files;
}

}  // namespace plugin
