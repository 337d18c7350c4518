#include "plugin_library.h"

#include <dlfcn.h>

namespace plugin {

PluginLibrary* PluginLibrary::open(const std::string& file) {
    // RTLD_NODELETE: a channel or decoder may outlive the registry and even the
    // manager (hosts keep them in globals, vendor threads finish late), so a
    // plug-in's code must stay mapped until the process ends. Its own folder is
    // searched first for its dependencies through the RPATH it is built with.
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    return handle == nullptr ? nullptr : new PluginLibrary(handle);
}

PluginLibrary::~PluginLibrary() {
    dlclose(handle_);
}

void* PluginLibrary::symbol(const char* name) const {
    return dlsym(handle_, name);
}

}  // namespace plugin
