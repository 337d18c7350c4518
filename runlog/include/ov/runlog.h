#pragma once

/*
 * printf-style logging for host applications. Every line goes to standard
 * output and to a log file in the folder "log" beside librunlog.so, as
 * "<yyyy-mm-dd hh:mm:ss> [<level>] <message>\r\n". A new file is started once
 * about half a megabyte has been written; old files are kept.
 *
 * Messages are formatted into a buffer of 5000 bytes; a longer message is cut
 * to at most 4999 bytes, at the end of a whole character (UTF-8 or GBK).
 *
 * The return value carries no information.
 */

#include <stdint.h>

#define OV_RUNLOG_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

OV_RUNLOG_API int32_t OVLogInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
OV_RUNLOG_API int32_t OVLogTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
OV_RUNLOG_API int32_t OVLogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
OV_RUNLOG_API int32_t OVLogWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));
/* Writes nothing and creates nothing; kept so that debug calls can stay in place. */
OV_RUNLOG_API int32_t OVLogDebug(const char* format, ...) __attribute__((format(printf, 1, 2)));

#ifdef __cplusplus
}
#endif
