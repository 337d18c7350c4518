#pragma once

// The short exchanges an application runs on its login session: database
// information, record search and pan-tilt-zoom commands.

#include <cstdint>
#include <string>

#include <ov/contracts.h>
#include <ov/ovsms_records.h>

#include "find_datas.h"
#include "kel_answers.h"
#include "kel_documents.h"
#include "kel_session.h"

namespace sms {

// A new logged-in session: 0 and the session, else the server's "retcode" or
// -1 (the session is discarded).
int32_t openSession(const std::string& address, const std::string& user, const std::string& passw,
                    KelSessionPtr* session);

// 0, the server's non-zero "retcode", or -1 (no answer within the time-out,
// an empty answer, no int32 "retcode"). The record is written only on 0.
int32_t getDB(KelSession& session, OvSmsDBInfo* out);

// Null when the search fails: no answer, an empty one, or any non-zero
// "retcode" (which is not passed on).
FindDatasPtr findByDevice(KelSession& session, const DeviceChannel& dev, const OV::DevTime& start,
                          const OV::DevTime& end);
FindDatasPtr findById(KelSession& session, const std::string& chnlid, const OV::DevTime& start, const OV::DevTime& end);

// Queued without waiting for an answer; 0 even while the connection is down.
int32_t ptzByDevice(KelSession& session, const DeviceChannel& dev, int32_t cmd, int32_t param);
int32_t ptzById(KelSession& session, const std::string& chnlid, int32_t cmd, int32_t param);

}  // namespace sms
