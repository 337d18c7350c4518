#pragma once

// The library's start and stop, counted: the first start creates the pools,
// the stop that brings the count back to 0 ends them.

#include <cstdint>

namespace sms {

// Starts the pools on the first call, then starts the device layer (whose
// plug-ins decode the server's streams) on every call. 0, or -1 when the
// device layer failed to start (the count stays raised: the caller's
// matching stop also stops the device layer).
int32_t libStart();
// Stops the device layer, then, on the call that brings the count to 0, the
// pools, and lets go of every handle. -1 without a matching start.
int32_t libStop();
bool libStarted();

}  // namespace sms
