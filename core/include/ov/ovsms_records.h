#pragma once

// Option and result records of the server-style operations of VideoDevSDK
// (slots 9 to 28). Texts are NUL-terminated and stay owned by the caller; a
// record whose first field is `type` carries the device-type key there, which
// the plug-ins do not read.

#include <cstdint>

#include <ov/contracts.h>

// One result of a record search.
struct OvSmsFindData {
    int32_t startYear, startMonth, startDay, startHour, startMinute, startSecond;
    int32_t endYear, endMonth, endDay, endHour, endMinute, endSecond;
    int64_t size;  // bytes
};

// Database connection data; texts include their terminating zero.
struct OvSmsDBInfo {
    char addr[512];
    uint16_t port;
    char dbname[128];
    char user[128];
    char passw[128];
};

struct OvSmsRealStreamState {
    int32_t rate;   // bytes received during the last second
    int64_t total;  // bytes received in all
};

struct OvSmsRealPlayOpt {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
    const char* chan;
    int32_t stream;  // 0 main, 1 sub
    OV::WindowHandle wnd;
};

struct OvSmsFindFileOpt {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
    const char* chan;
    OV::DevTime start;
    OV::DevTime end;
};

struct OvSmsPlayBackByTimeOpt {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
    const char* chan;
    OV::DevTime start;
    OV::DevTime end;
    OV::WindowHandle wnd;
};

struct OvSmsRealStreamOpt {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
    const char* chan;
    int32_t stream;  // 0 main, 1 sub
};

struct OvSmsGetDBOpt {
    const char* addr;
    const char* user;
    const char* passw;
};

struct OvSmsPtzOpt {
    int32_t reserved;
    int32_t command;
    int32_t param;
};

struct OvSmsCaptureOpt {
    int32_t reserved;
    const char* path;
};

struct OvSmsSaveRealDataOpt {
    int32_t reserved;
    const char* path;
};

struct OvSmsPlayBackControlOpt {
    int32_t reserved;
    int32_t command;
    int32_t value;  // in and out: a position in percent
};

// The time shown in a playback picture.
struct OvSmsOsdTime {
    int32_t reserved;
    OV::DevTime time;
};

struct OvSmsSetTimeOpt {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
};

struct OvSmsFindChanOpt {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
};

struct OvSmsChanData {
    char name[512];
    char id[512];
};

struct OvSmsTalkOpt {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
    const char* chan;
};

struct OvSmsDnyDecOpt {
    const char* type;
    const char* addr;  // the decoder device
    const char* user;
    const char* passw;
    const char* decChan;
    const char* srcType;  // "hik" or "dahua"
    const char* srcAddr;
    const char* srcUser;
    const char* srcPassw;
    const char* srcChan;
    uint32_t srcStreamType;  // low byte used
};

struct OvSmsDecChan {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
    const char* decChan;
};

struct OvSmsLoopDecSource {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
    const char* chan;
    uint32_t streamType;  // low byte used
};

enum { OVSMS_MAX_LOOP_SOURCES = 64 };

struct OvSmsLoopDecOpt {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
    const char* decChan;
    uint32_t pollInterval;
    int32_t sourceCount;
    OvSmsLoopDecSource sources[OVSMS_MAX_LOOP_SOURCES];
};

struct OvSmsOsdOpt {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
    const char* chan;
    uint32_t showName;
    char name[32];
    uint32_t nameX;
    uint32_t nameY;
};

struct OvSmsRcdPeriod {
    uint8_t enabled;
    uint8_t startHour, startMinute, startSecond;
    uint8_t stopHour, stopMinute, stopSecond;
};

struct OvSmsRcdPlanOpt {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
    const char* chan;
    OvSmsRcdPeriod plan[7][6];
};

enum { OVSMS_MAX_DEC_CHANS = 128, OVSMS_DEC_CHAN_TEXT = 128 };

struct OvSmsGetDecChansOpt {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
    int32_t count;  // output
    char chans[OVSMS_MAX_DEC_CHANS][OVSMS_DEC_CHAN_TEXT];
};

struct OvSmsDownloadByTimeOpt {
    const char* type;
    const char* addr;
    const char* user;
    const char* passw;
    const char* chan;
    OV::DevTime begin;
    OV::DevTime end;
    const char* path;
};

struct OvSmsPlayFileOpt {
    const char* path;
    OV::WindowHandle wnd;
};
