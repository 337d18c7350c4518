#include "vendor_call.h"

namespace hiksim {
namespace {
thread_local uint32_t t_lastError = 0;
}

uint32_t lastError() {
    return t_lastError;
}
void setLastError(uint32_t error) {
    t_lastError = error;
}

}  // namespace hiksim
