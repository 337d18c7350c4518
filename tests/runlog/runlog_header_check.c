/* The public header is a C interface: it must compile as C, with the one
   signature every caller relies on. Checked at compile time only. */
#include <ov/runlog.h>

typedef int32_t (*RunlogFunction)(const char* format, ...);

#define RUNLOG_CHECK_SIGNATURE(f) \
    _Static_assert(__builtin_types_compatible_p(__typeof__(&f), RunlogFunction), #f " has the wrong signature")

RUNLOG_CHECK_SIGNATURE(OVLogInfo);
RUNLOG_CHECK_SIGNATURE(OVLogTrace);
RUNLOG_CHECK_SIGNATURE(OVLogError);
RUNLOG_CHECK_SIGNATURE(OVLogWarning);
RUNLOG_CHECK_SIGNATURE(OVLogDebug);
