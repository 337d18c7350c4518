#include <cstdio>

#include <ov/plugin.h>

#include "folder_listing.h"
#include "plugin_library.h"

namespace plugin {
namespace {

const char* const kEntryPoint = "plugin_connect";
const char* const kPluginExtension = "ovn";

std::string::size_type lastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

}  // namespace

PluginManager::PluginManager() = default;

PluginManager::~PluginManager() {
    unloadAll();
    host_.clearProviders();
}

std::string PluginManager::getPluginName(const std::string& path) {
    const auto sep = lastSeparator(path);
    std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    return name;
}

std::string PluginManager::resolvePathExtension(const std::string& path) {
    if (path.empty()) {
        return path;
    }
    const auto sep = lastSeparator(path);
    const auto dot = path.rfind('.');
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) {
        return path;
    }
    return path + "." + kPluginExtension;
}

bool PluginManager::load(const std::string& path) {
    const std::string name = getPluginName(path);
    const std::string file = resolvePathExtension(path);
    if (file.empty()) {
        std::fprintf(stderr, "Failed to load library: Empty path\n");
        return false;
    }
    std::unique_ptr<PluginLibrary> library(PluginLibrary::open(file));
    if (!library) {
        std::fprintf(stderr, "Failed to load library \"%s\".\n", file.c_str());
        return false;
    }
    auto connect = reinterpret_cast<ConnectFunc>(library->symbol(kEntryPoint));
    if (connect == nullptr) {
        std::fprintf(stderr, "Library symbol \"%s\" not found.\n", kEntryPoint);
        std::fprintf(stderr, "Failed to initialize plugin \"%s\": plugin_connect function not found\n", name.c_str());
        return false;
    }
    bool connected = false;
    try {
        connected = connect(host_);
    } catch (...) {
        // an entry point that throws has registered nothing it can stand by
        connected = false;
    }
    if (!connected) {
        std::fprintf(stderr, "Self registry failed on plugin \"%s\".\n", name.c_str());
        host_.cancelAdditions();  // the providers' code lives in the library: delete them first
        return false;
    }
    if (!host_.confirmAdditions()) {
        std::fprintf(stderr, "Nothing registered by plugin \"%s\".\n", name.c_str());
        return false;
    }
    libraries_[name] = std::move(library);
    return true;
}

bool PluginManager::load(const std::string& folder, const std::string& fileName) {
    if (folder.empty()) {
        return load(fileName);
    }
    const char last = folder.back();
    if (last == '/' || last == '\\') {
        return load(folder + fileName);
    }
    return load(folder + "/" + fileName);
}

int32_t PluginManager::loadFromFolder(const std::string& folder, bool recursive) {
    bool opened = false;
    const std::vector<std::string> files = listPluginFiles(folder, recursive, opened);
    if (!opened) {
        std::fprintf(stderr, "Could not open \"%s\" directory.\n", folder.c_str());
        return 0;
    }
    int32_t loaded = 0;
    for (const std::string& file : files) {
        if (load(file)) {
            ++loaded;
        }
    }
    return loaded;
}

bool PluginManager::unload(const std::string& nameOrPath) {
    return libraries_.erase(getPluginName(nameOrPath)) != 0;
}

void PluginManager::unloadAll() {
    host_.clearProviders();
    libraries_.clear();
}

bool PluginManager::addProvider(Provider* provider) {
    if (provider == nullptr) {
        std::fprintf(stderr, "Trying to add null provider\n");
        return false;
    }
    return host_.registerProvider(provider);
}

void PluginManager::getLoadedPlugins(std::vector<const std::string*>& names) const {
    for (const auto& entry : libraries_) {
        names.push_back(&entry.first);
    }
}

bool PluginManager::isLoaded(const std::string& nameOrPath) const {
    return libraries_.count(getPluginName(nameOrPath)) != 0;
}

bool PluginManager::registerType(const std::string& type, uint32_t version, uint32_t lowestVersion) {
    return host_.registerType(type, version, lowestVersion);
}

const std::vector<Provider*>* PluginManager::getProviders(const std::string& type) const {
    return host_.getProviders(type);
}

}  // namespace plugin
