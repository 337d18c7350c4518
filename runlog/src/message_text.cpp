#include "message_text.h"

#include <cstdio>
#include <cstring>

namespace runlog {
namespace {

constexpr bool isContinuation(unsigned char byte) {
    return byte >= 0x80 && byte <= 0xBF;
}

// Bytes a UTF-8 sequence starting with lead takes, or 0 when lead cannot
// start one (continuation bytes, overlong leads 0xC0/0xC1, 0xF5 and above).
constexpr std::size_t utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// Where a UTF-8 reading of the text has to be cut, or -1 when the text is not
// UTF-8 (a sequence that is broken before the end of the text).
long utf8Boundary(const unsigned char* text, std::size_t length) {
    std::size_t i = 0;
    while (i < length) {
        const std::size_t need = utf8SequenceLength(text[i]);
        if (need == 0) {
            return -1;
        }
        std::size_t have = 1;
        while (have < need && i + have < length) {
            if (!isContinuation(text[i + have])) {
                return -1;
            }
            ++have;
        }
        if (have < need) {
            return static_cast<long>(i);  // the text ends inside this sequence
        }
        i += need;
    }
    return static_cast<long>(length);
}

// GBK leads are 0x81..0xFE and take one more byte; GB18030 adds four-byte
// characters whose second byte is a digit. Other bytes stand alone. The
// trail bytes overlap ASCII, so only a scan from the start finds the pairs.
std::size_t gbkBoundary(const unsigned char* text, std::size_t length) {
    std::size_t i = 0;
    while (i < length) {
        const unsigned char byte = text[i];
        std::size_t width = 1;
        if (byte >= 0x81 && byte <= 0xFE) {
            width = i + 1 < length && text[i + 1] >= 0x30 && text[i + 1] <= 0x39 ? 4 : 2;
        }
        if (i + width > length) {
            return i;
        }
        i += width;
    }
    return length;
}

}  // namespace

std::size_t characterBoundary(const char* text, std::size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const long utf8 = utf8Boundary(bytes, length);
    return utf8 >= 0 ? static_cast<std::size_t>(utf8) : gbkBoundary(bytes, length);
}

std::size_t formatMessage(char* buffer, const char* format, std::va_list args) {
    const int wanted = std::vsnprintf(buffer, kMessageCapacity, format, args);
    if (wanted < 0) {
        buffer[0] = '\0';
        return 0;
    }
    if (static_cast<std::size_t>(wanted) < kMessageCapacity) {
        // a "%c" of zero ends the message where "%s" would stop reading it
        return std::strlen(buffer);
    }
    const std::size_t kept = std::strlen(buffer);
    if (kept < kMessageCapacity - 1) {
        return kept;  // ends at a zero byte before the cut, so nothing was split
    }
    const std::size_t length = characterBoundary(buffer, kept);
    buffer[length] = '\0';
    return length;
}

}  // namespace runlog
