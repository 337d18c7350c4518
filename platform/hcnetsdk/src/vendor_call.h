#pragma once

#include <cstdint>
#include <string>

#include "world.h"

namespace hiksim {

// The calling thread's last error, as NET_DVR_GetLastError reports it.
uint32_t lastError();
void setLastError(uint32_t error);

// Runs one vendor call: refuses it before NET_DVR_Init, honours a failure
// queued by the test control, records it in the journal with its arguments
// and result, and sets the thread's last error (0 after success). Nothing
// thrown by the body leaves: it becomes a failure with a parameter error.
// The body returns an HC_ERR_* code and may set the result of a success.
template <class Body>
int32_t vendorCall(const char* function, const std::string& args, int32_t okResult, int32_t failResult, Body body) {
    World& world = World::get();
    uint32_t error = HC_ERR_NONE;
    int32_t result = okResult;
    bool failed = true;
    if (!world.initialised()) {
        error = HC_ERR_NOT_INITIALISED;
    } else if (world.faults().take(function, error)) {
        // injected, possibly without a code: then the last error stays 0
    } else {
        try {
            error = body(result);
        } catch (...) {
            error = HC_ERR_PARAMETER;
        }
        failed = error != HC_ERR_NONE;
    }
    if (failed) {
        result = failResult;
    }
    setLastError(error);
    std::string line = std::string(function) + "(" + args + ") -> " + std::to_string(result);
    if (failed) {
        line += " (error " + std::to_string(error) + ")";
    }
    world.journal().add(std::move(line));
    return result;
}

}  // namespace hiksim
