#pragma once

// The management-server client as a flat C interface.
//
// Call KelSms_Init first and KelSms_Cleanup once per KelSms_Init at the end;
// in between, log in, work with the handles the calls hand out and close
// them. Every function returns an int32: 0 success, -1 a failure the client
// detected (unknown or wrong handle, no answer within 5000 ms, empty answer,
// library not initialised), any other value the "retcode" of the server's
// answer passed through. No function throws.
//
// Handles: one process-wide series starting at 1, never reused. Each function
// accepts handles of one kind only (login, search, ...) and answers -1 to any
// other; KelSms_CloseHandle accepts every kind. Closing a login handle leaves
// the searches and streams opened through it alone.
//
// Texts are zero-terminated, in the system's code page (GBK), owned by the
// caller and read during the call only. Output values are written only on
// success.

#include <stdint.h>

#include <ov/ovsms_records.h>

#define KELSMS_API __attribute__((visibility("default")))

extern "C" {

struct KelSmsLoginOpt {
    const char* addr;  // numeric host address, optionally ":" and port (default 6888)
    const char* user;
    const char* passw;
};

// A search on a channel of a device the server reaches.
struct KelSmsFindOpt {
    int32_t login;
    const char* type;  // device type name
    const char* addr;
    const char* user;
    const char* passw;
    const char* chan;  // channel name on that device
    int32_t startYear, startMonth, startDay, startHour, startMinute, startSecond;
    int32_t endYear, endMonth, endDay, endHour, endMinute, endSecond;
};

struct KelSmsFindByIdOpt {
    int32_t login;
    const char* id;  // the server's channel id
    int32_t startYear, startMonth, startDay, startHour, startMinute, startSecond;
    int32_t endYear, endMonth, endDay, endHour, endMinute, endSecond;
};

struct KelSmsPtzOpt {
    int32_t login;
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
    const char* chan;
    int32_t cmd;    // passed to the server unchanged
    int32_t param;  // passed to the server unchanged
};

struct KelSmsPtzByIdOpt {
    int32_t login;
    const char* id;
    int32_t cmd;
    int32_t param;
};

// The three values have no effect. 0 (-1 when the device layer failed to start).
KELSMS_API int32_t KelSms_Init(int32_t a, int32_t b, int32_t c);
// 0; -1 without a matching KelSms_Init. The last one stops the library's
// threads and closes every handle still open.
KELSMS_API int32_t KelSms_Cleanup(void);

// Connects and logs in: 0 and a login handle, the server's code, or -1
// (no connection, no answer within 5000 ms, a host that is not numeric).
KELSMS_API int32_t KelSms_Login(KelSmsLoginOpt* opt, int32_t* login);
KELSMS_API int32_t KelSms_Logout(int32_t login);

// The server's database connection data; texts are cut to their fields.
KELSMS_API int32_t KelSms_GetDB(int32_t login, OvSmsDBInfo* info);

// Record search: 0 and a search handle, or -1 (also when the server refuses:
// its code is not passed on).
KELSMS_API int32_t KelSms_Find_Rcd(KelSmsFindOpt* opt, int32_t* search);
KELSMS_API int32_t KelSms_Find_Rcd_ByID(KelSmsFindByIdOpt* opt, int32_t* search);
// The next result: 0, or -1 when there is no further entry. Time fields the
// server's text does not supply keep their values.
KELSMS_API int32_t KelSms_Find_Next(int32_t search, OvSmsFindData* data);
KELSMS_API int32_t KelSms_Find_Close(int32_t search);

// Queued to the server without waiting for an answer: 0 even while the
// connection is down (the command goes out once it is back).
KELSMS_API int32_t KelSms_PTZCtrol_Other(KelSmsPtzOpt* opt);
KELSMS_API int32_t KelSms_PTZCtrol_ByID(KelSmsPtzByIdOpt* opt);

KELSMS_API int32_t KelSms_CloseHandle(int32_t handle);

}  // extern "C"
