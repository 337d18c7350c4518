#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include <ov/plugin.h>

#include "registry.h"

namespace OV {

// Process-wide state of the core: made when libdevcore.so is loaded, released
// at process end after the plug-ins' own shut-down code has run.
struct CoreState {
    std::atomic<int32_t> initCount{0};
    std::unique_ptr<plugin::PluginManager> manager;
    Registry registry;

    ~CoreState();
};

CoreState& coreState();
// False once the state has been released at process end.
bool coreAlive();

}  // namespace OV
