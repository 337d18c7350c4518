// The test control of the simulated recorders.
#include <hcnetsdk/hiksim_control.h>

#include <cstring>
#include <exception>
#include <string>

#include "stream_pump.h"
#include "world.h"

using hiksim::World;

namespace {

thread_local std::string t_message;

// Runs a control call: 0 or a count on success, -1 with the reason kept.
template <class Body>
int32_t controlCall(Body body) {
    try {
        t_message.clear();
        return body();
    } catch (const std::exception& e) {
        t_message = e.what();
    } catch (...) {
        t_message = "unknown failure";
    }
    return -1;
}

int32_t refuse(const char* why) {
    t_message = why;
    return -1;
}

}  // namespace

extern "C" {

HCNET_API int32_t HikSim_Reset(void) {
    return controlCall([] {
        World::get().reset();
        return 0;
    });
}

HCNET_API int32_t HikSim_LoadFile(const char* path) {
    return controlCall([=] { return path == nullptr ? refuse("no path") : World::get().loadFile(path); });
}

HCNET_API int32_t HikSim_AddDevice(const char* deviceJson) {
    return controlCall([=] {
        if (deviceJson == nullptr) {
            return refuse("no device");
        }
        World::get().addDevice(hiksim::parseDevice(deviceJson, std::string()));
        return 0;
    });
}

HCNET_API int32_t HikSim_RemoveDevice(const char* host, int32_t port) {
    return controlCall([=] {
        if (host == nullptr) {
            return refuse("no host");
        }
        return World::get().removeDevice(std::string(host) + ":" + std::to_string(port)) ? 0 : refuse("no such device");
    });
}

HCNET_API int32_t HikSim_FailNext(const char* function, uint32_t error) {
    return controlCall([=] {
        if (function == nullptr || std::strncmp(function, "NET_DVR_", 8) != 0) {
            return refuse("not a vendor function name");
        }
        World::get().faults().failNext(function, error);
        return 0;
    });
}

HCNET_API void HikSim_ClearFaults(void) {
    controlCall([] {
        World::get().faults().clear();
        return 0;
    });
}

HCNET_API int32_t HikSim_JournalCount(void) {
    return controlCall([] { return int32_t(World::get().journal().count()); });
}

HCNET_API int32_t HikSim_JournalEntry(int32_t index, char* buffer, int32_t size) {
    return controlCall([=] {
        std::string line;
        if (index < 0 || !World::get().journal().entry(std::size_t(index), line)) {
            return refuse("no such journal entry");
        }
        if (buffer != nullptr && size > 0 && line.size() < std::size_t(size)) {
            std::memcpy(buffer, line.c_str(), line.size() + 1);
        }
        return int32_t(line.size());
    });
}

HCNET_API int32_t HikSim_CountCalls(const char* function) {
    return controlCall(
        [=] { return function == nullptr ? refuse("no function") : World::get().journal().countCalls(function); });
}

HCNET_API void HikSim_ClearJournal(void) {
    controlCall([] {
        World::get().journal().clear();
        return 0;
    });
}

HCNET_API int32_t HikSim_ActiveLogins(void) {
    return controlCall([] { return World::get().activeLogins(); });
}

HCNET_API int32_t HikSim_ActivePlays(void) {
    return controlCall([] { return World::get().activePlays(); });
}

HCNET_API int64_t HikSim_DeliveredBlocks(int32_t realHandle) {
    try {
        return World::get().deliveredBlocks(realHandle);
    } catch (...) {
        return -1;
    }
}

HCNET_API int64_t HikSim_EscapedExceptions(void) {
    return hiksim::StreamPump::escapedExceptions();
}

HCNET_API const char* HikSim_LastMessage(void) {
    return t_message.c_str();
}

}  // extern "C"
