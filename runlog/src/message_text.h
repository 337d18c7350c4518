#pragma once

#include <cstdarg>
#include <cstddef>

namespace runlog {

// Room for one formatted message, terminating zero included. A message that
// does not fit is cut to at most kMessageCapacity - 1 bytes.
constexpr std::size_t kMessageCapacity = 5000;

// Formats like vsnprintf into buffer (kMessageCapacity bytes) and returns the
// length of the message as "%s" would print it: up to the first zero byte and,
// for a message that did not fit, up to the end of its last whole character.
// A format the C library rejects gives an empty message.
std::size_t formatMessage(char* buffer, const char* format, std::va_list args);

// Length of the longest prefix of text[0, length) that ends on a character
// boundary. Messages arrive as UTF-8 or as GBK without saying which: a prefix
// that reads as UTF-8 (its end possibly inside a sequence) is cut as UTF-8,
// anything else as GBK (and its four-byte GB18030 extension).
std::size_t characterBoundary(const char* text, std::size_t length);

}  // namespace runlog
