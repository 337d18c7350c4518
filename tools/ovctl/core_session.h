#pragma once

#include <ov/facade.h>

namespace ovctl {

// Holds the device layer started for the lifetime of a command.
class CoreSession {
public:
    CoreSession() { OV::Init(); }
    ~CoreSession() { OV::Fini(); }
    CoreSession(const CoreSession&) = delete;
    CoreSession& operator=(const CoreSession&) = delete;
};

}  // namespace ovctl
