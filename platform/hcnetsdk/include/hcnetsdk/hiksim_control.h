#pragma once

/*
 * Test control of the simulated recorders behind libhcnetsdk.so.
 *
 * At NET_DVR_Init the library reads the recorders from the JSON file named by
 * the environment variable OV_HIKSIM_FILE, else from "hiksim.json" beside the
 * library (a missing default file means no recorders). The calls below change
 * that set at run time, inject failures and read back what the vendor calls
 * were. Every call is safe from any thread and never throws. Results: 0 or a
 * count on success, -1 on failure with the reason in HikSim_LastMessage().
 */

#include <stdint.h>

#include <hcnetsdk/hcnet_sdk.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Stops every play, ends every login, forgets every recorder, injected
   failure and journal entry. The library stays initialised. */
HCNET_API int32_t HikSim_Reset(void);

/* Adds the recorders of a JSON file (format: platform/hcnetsdk/README.md).
   Relative stream paths are taken from the file's folder. Returns the number
   of recorders added; on any error none is added. */
HCNET_API int32_t HikSim_LoadFile(const char* path);

/* Adds or replaces one recorder given as one JSON device object; relative
   stream paths are taken from the working folder. */
HCNET_API int32_t HikSim_AddDevice(const char* deviceJson);

/* Forgets a recorder: later logins to it fail with HC_ERR_CONNECT. Logins and
   plays already open keep running. */
HCNET_API int32_t HikSim_RemoveDevice(const char* host, int32_t port);

/* Makes the next call of the named vendor function (for example
   "NET_DVR_Login_V30") fail and report the given error code; 0 makes it fail
   without a code. Calls queue up per function. */
HCNET_API int32_t HikSim_FailNext(const char* function, uint32_t error);
HCNET_API void HikSim_ClearFaults(void);

/* The journal: one line per vendor call, oldest first, such as
     NET_DVR_Login_V30("10.1.1.2", 8000, "admin", "12345") -> 0
     NET_DVR_RealPlay_V40(0, {channel 1, stream 0}, callback) -> -1 (error 4)
   Only the most recent 100000 calls are kept. */
HCNET_API int32_t HikSim_JournalCount(void);
/* Copies entry `index` with its terminator into buffer; returns the entry's
   length without terminator, or -1 when there is no such entry. A buffer too
   small (or null) receives nothing. */
HCNET_API int32_t HikSim_JournalEntry(int32_t index, char* buffer, int32_t size);
/* Number of journal entries of the named function. */
HCNET_API int32_t HikSim_CountCalls(const char* function);
HCNET_API void HikSim_ClearJournal(void);

/* Open user ids and running live plays. */
HCNET_API int32_t HikSim_ActiveLogins(void);
HCNET_API int32_t HikSim_ActivePlays(void);

/* Callbacks made so far by a running play (header included), or -1. */
HCNET_API int64_t HikSim_DeliveredBlocks(int32_t realHandle);

/* Exceptions that left a data callback. The simulated vendor thread survives
   them, a real one would not: any count above 0 is a fault of the caller. */
HCNET_API int64_t HikSim_EscapedExceptions(void);

/* Why the calling thread's last control call failed ("" if it did not). */
HCNET_API const char* HikSim_LastMessage(void);

#ifdef __cplusplus
}
#endif
