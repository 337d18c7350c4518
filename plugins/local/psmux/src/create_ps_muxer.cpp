#include <new>

#include <psmux/ps_muxer.h>

#include "generic_mpeg4_ps_muxer.h"
#include "generic_ps_muxer.h"
#include "hik_ps_muxer.h"

IPsmuxer* CreatePsMuxer(PsOutputFn callback, void* user, int32_t kind) {
    if (callback == nullptr) {
        return nullptr;
    }
    switch (kind) {
        case PS_MUXER_HIK:
            return new (std::nothrow) HikPSMuxer(callback, user);
        case PS_MUXER_GENERIC:
            return new (std::nothrow) GenericPSMuxer(callback, user);
        case PS_MUXER_GENERIC_MPEG4:
            return new (std::nothrow) GenericMPEG4PSMuxer(callback, user);
        default:
            return nullptr;
    }
}
