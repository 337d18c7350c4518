#include "kel_sms_lib.h"

#include <atomic>

#include <boost/thread/lock_guard.hpp>
#include <boost/thread/mutex.hpp>

#include <ov/facade.h>

#include "handle_registry.h"
#include "ios_pools.h"

namespace sms {
namespace {

// Serialises starts and stops. Never held while the device layer starts: its
// start loads plug-ins, one of which starts this library again on the same
// thread.
boost::mutex g_lifecycle;
std::atomic<int32_t> g_count{0};

}  // namespace

int32_t libStart() {
    {
        boost::lock_guard<boost::mutex> lock(g_lifecycle);
        if (g_count.load() == 0) {
            startPools();
        }
        ++g_count;
    }
    try {
        OV::Init();
    } catch (...) {
        return -1;
    }
    return 0;
}

int32_t libStop() {
    // The start is claimed before the device layer hears of the stop: two
    // stops racing for the last start cannot both lower the device layer's
    // count, which is not ours to lower without a start to match.
    int32_t count = g_count.load();
    do {
        if (count == 0) {
            return -1;
        }
    } while (!g_count.compare_exchange_weak(count, count - 1));
    try {
        OV::Fini();
    } catch (...) {
    }
    if (count == 1) {
        boost::lock_guard<boost::mutex> lock(g_lifecycle);
        // a start that came in meanwhile found the pools running and keeps them
        if (g_count.load() == 0) {
            // The threads stop first, so no handler runs while the objects
            // behind the handles end. A session someone still holds keeps its
            // stopped services until it is released.
            stopPools();
            HandleRegistry::instance().clear();
        }
    }
    return 0;
}

bool libStarted() {
    return g_count.load() > 0;
}

}  // namespace sms
