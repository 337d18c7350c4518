#pragma once

#include <string>

namespace plugin {

// One loaded shared object; releasing it drops our reference to it.
class PluginLibrary {
public:
    // Null when the library cannot be loaded.
    static PluginLibrary* open(const std::string& file);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    void* symbol(const char* name) const;

private:
    explicit PluginLibrary(void* handle) : handle_(handle) {}
    void* handle_;
};

}  // namespace plugin
