#pragma once

#include <cstdint>

#include <ov/videodevsdk.h>

namespace hik {

// Calls onNode once per channel of the recorder, in the login's order.
// 0 when done; -1 when the login failed without a vendor error code.
int32_t EnumHostChan(OV::HostOpt* opt, NodeCallback onNode);

}  // namespace hik
