#pragma once

// What the client reads from the server's answers: the database connection
// data and the record-search results. The answer is whatever frame arrived
// (or null when none did); nothing in it is trusted.

#include <cstddef>
#include <cstdint>
#include <string>

#include <ov/ovsms_records.h>

#include "find_datas.h"
#include "kel_msg.h"

namespace sms {

// 0 with the record filled (texts cut to their fields), the server's non-zero
// "retcode", or -1 (no answer, an empty one, no int32 "retcode"). The record
// is written only on 0.
int32_t dbInfoOf(const KelMsgPtr& answer, OvSmsDBInfo* out);

// The search result; null for no answer, an empty one or any non-zero
// "retcode" (which is not passed on).
FindDatasPtr searchResultOf(const KelMsgPtr& answer);

// Copies a text into a field of cap bytes, cut to fit and always terminated.
void copyBounded(char* field, std::size_t cap, const std::string& text);

}  // namespace sms
