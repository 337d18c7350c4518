#pragma once

// Texts meant for people travel as GBK; sources are UTF-8. These convert at the
// point where a text is produced or shown. Bytes that do not convert are
// replaced by '?' so a message is never lost as a whole.

#include <string>
#include <string_view>

namespace ovtext {

std::string utf8ToGbk(std::string_view utf8);
std::string gbkToUtf8(std::string_view gbk);

}  // namespace ovtext
