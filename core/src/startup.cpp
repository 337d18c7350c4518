// Start-up and shut-down of the device layer: OV::Init and OV::Fini.

#include <ov/facade.h>

#include "core_state.h"
#include "module_path.h"

namespace OV {
namespace {

std::atomic<bool> g_alive{true};
CoreState g_state;

void fileRecords(CoreState& state) {
    const std::vector<plugin::Provider*>* providers = state.manager->getProviders(VIDEO_DEV_SDK_MAKER_TYPE);
    if (providers == nullptr) {
        return;
    }
    // a copy: a maker's code could in principle register further providers
    const std::vector<plugin::Provider*> makers(*providers);
    for (plugin::Provider* provider : makers) {
        auto record = boost::shared_ptr<VideoDevSDK>(new VideoDevSDK());
        const boost::shared_ptr<VideoDevSDKMaker> maker = static_cast<VideoDevSDKMakerProvider*>(provider)->create();
        if (!maker || maker->name == nullptr) {
            continue;  // nothing to file it under
        }
        // an empty fill throws boost::bad_function_call out of Init; the records
        // filed so far stay and the count stays raised
        maker->fill(record.get());
        state.registry.put(maker->name, record);
    }
}

}  // namespace

CoreState::~CoreState() {
    g_alive = false;
    registry.clear();
    manager.reset();
}

CoreState& coreState() {
    return g_state;
}

bool coreAlive() {
    return g_alive;
}

void Init() {
    if (!coreAlive()) {
        return;
    }
    CoreState& state = coreState();
    // Only the first caller starts the layer. A nested call (a plug-in's
    // library starting the layer again while it is being loaded) returns here.
    if (state.initCount.fetch_add(1) != 0) {
        return;
    }
    if (!state.manager) {
        state.manager.reset(new plugin::PluginManager());
    }
    state.manager->registerType(VIDEO_DEV_SDK_MAKER_TYPE, VIDEO_DEV_SDK_MAKER_VERSION, VIDEO_DEV_SDK_MAKER_VERSION);
    state.manager->loadFromFolder(pluginFolder(), true);
    fileRecords(state);
}

void Fini() {
    if (!coreAlive()) {
        return;
    }
    CoreState& state = coreState();
    int32_t count = state.initCount.load();
    // an unmatched Fini must not drive the count below zero
    while (count > 0 && !state.initCount.compare_exchange_weak(count, count - 1)) {
    }
    if (count == 1) {
        state.registry.clear();
    }
}

}  // namespace OV
