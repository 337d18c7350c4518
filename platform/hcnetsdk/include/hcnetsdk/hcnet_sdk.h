#pragma once

/*
 * Our stand-in for the recorder vendor's network library: the calls the
 * Hikvision plug-in makes and the record layouts it reads, served by simulated
 * recorders that live in the calling process (see hiksim_control.h).
 *
 * Conventions of the vendor library kept here: a call succeeds with a nonzero
 * result or a handle other than -1; after a failure NET_DVR_GetLastError gives
 * the error code of the calling thread (0: no error recorded).
 */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define HCNET_API __attribute__((visibility("default")))

#define HC_INVALID_HANDLE (-1)

/* Data types passed to a live-stream data callback. */
#define HC_DATA_STREAM_HEADER 1 /* the 40-byte stream header, once, first */
#define HC_DATA_STREAM 2        /* a block of the program stream */

/* Audio modes of NET_DVR_SetAudioMode. */
#define HC_AUDIO_MODE_SHARED 2

/* Error codes the simulated recorders report (the vendor's numbering). */
#define HC_ERR_NONE 0
#define HC_ERR_PASSWORD 1
#define HC_ERR_NOT_INITIALISED 3
#define HC_ERR_CHANNEL 4
#define HC_ERR_CONNECT 7
#define HC_ERR_ORDER 12
#define HC_ERR_PARAMETER 17
#define HC_ERR_NOT_SUPPORTED 23
#define HC_ERR_BUFFER_TOO_SMALL 43
#define HC_ERR_NO_SUCH_USER_ID 47

/* Device information filled by NET_DVR_Login_V30 (80 bytes). */
typedef struct HcDeviceInfo {
    uint8_t serialNumber[48]; /* 0: NUL-padded text */
    uint8_t alarmInCount;     /* 48 */
    uint8_t alarmOutCount;    /* 49 */
    uint8_t diskCount;        /* 50 */
    uint8_t deviceType;       /* 51 */
    uint8_t analogChanCount;  /* 52 */
    uint8_t firstAnalogChan;  /* 53 */
    uint8_t audioChanCount;   /* 54 */
    uint8_t ipChanCountLow;   /* 55: low byte of the IP channel count */
    uint8_t reserved1[11];    /* 56 */
    uint8_t firstTalkChan;    /* 67: first digital voice-talk channel */
    uint8_t ipChanCountHigh;  /* 68: high byte of the IP channel count */
    uint8_t reserved2[11];    /* 69 */
} HcDeviceInfo;

/* NET_DVR_GetDVRConfig command: the IP-channel configuration (50792 bytes). */
#define HC_GET_IPCHAN_CONFIG 1062
#define HC_IPCHAN_CONFIG_SIZE 50792

typedef struct HcIpChanConfig {
    uint32_t size;            /* 0: HC_IPCHAN_CONFIG_SIZE */
    uint8_t reserved1[12];    /* 4 */
    int32_t firstDigitalChan; /* 16: number of the first IP channel */
    uint8_t reserved2[HC_IPCHAN_CONFIG_SIZE - 20];
} HcIpChanConfig;

/* What NET_DVR_RealPlay_V40 opens. Zero every field not used. */
typedef struct HcPreviewInfo {
    int32_t channel;             /* 0 */
    uint32_t streamType;         /* 4: 0 main stream, 1 sub stream */
    uint32_t linkMode;           /* 8: 0 TCP */
    uint32_t reserved1;          /* 12 */
    uintptr_t window;            /* 16: X11 window to draw into, 0 none */
    uint32_t displayBufferCount; /* 24 */
    uint32_t blocked;            /* 28: 1 waits for the stream to be set up */
    uint8_t passbackRecord;      /* 32 */
    uint8_t previewMode;         /* 33 */
    uint8_t protocolType;        /* 34 */
    uint8_t reserved2[221];      /* 35: the record is 256 bytes */
} HcPreviewInfo;

/* Receives the stream of a live play on the library's own thread. */
typedef void (*HcRealDataCallback)(int32_t realHandle, uint32_t dataType, uint8_t* buffer, uint32_t size, void* user);

HCNET_API int32_t NET_DVR_Init(void);
HCNET_API int32_t NET_DVR_Cleanup(void);
HCNET_API int32_t NET_DVR_SetAudioMode(uint32_t mode);
HCNET_API uint32_t NET_DVR_GetLastError(void);

/* Gives a user id (0 or more), or -1. */
HCNET_API int32_t NET_DVR_Login_V30(const char* host, uint16_t port, const char* user, const char* password,
                                    HcDeviceInfo* info);
HCNET_API int32_t NET_DVR_Logout(int32_t userId);

HCNET_API int32_t NET_DVR_GetDVRConfig(int32_t userId, uint32_t command, int32_t channel, void* buffer,
                                       uint32_t bufferSize, uint32_t* returned);

/* Gives a play handle (0 or more), or -1. Without a callback nothing is delivered. */
HCNET_API int32_t NET_DVR_RealPlay_V40(int32_t userId, const HcPreviewInfo* preview, HcRealDataCallback callback,
                                       void* user);
/* Returns once the play's thread has delivered its last block. */
HCNET_API int32_t NET_DVR_StopRealPlay(int32_t realHandle);
HCNET_API int32_t NET_DVR_MakeKeyFrame(int32_t userId, int32_t channel);

#ifdef __cplusplus
}

static_assert(sizeof(HcDeviceInfo) == 80, "device information is 80 bytes");
static_assert(offsetof(HcDeviceInfo, analogChanCount) == 52, "layout");
static_assert(offsetof(HcDeviceInfo, firstAnalogChan) == 53, "layout");
static_assert(offsetof(HcDeviceInfo, ipChanCountLow) == 55, "layout");
static_assert(offsetof(HcDeviceInfo, firstTalkChan) == 67, "layout");
static_assert(offsetof(HcDeviceInfo, ipChanCountHigh) == 68, "layout");
static_assert(sizeof(HcIpChanConfig) == HC_IPCHAN_CONFIG_SIZE, "IP-channel configuration size");
static_assert(offsetof(HcIpChanConfig, firstDigitalChan) == 16, "layout");
static_assert(sizeof(HcPreviewInfo) == 256, "preview record size");
#endif
