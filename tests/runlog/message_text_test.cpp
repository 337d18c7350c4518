#include "message_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdarg>
#include <string>
#include <vector>

namespace {

using runlog::characterBoundary;
using runlog::kMessageCapacity;

struct BoundaryCase {
    const char* name;
    std::string text;
    std::size_t expected;
};

// "中" is E4 B8 AD in UTF-8 and D6 D0 in GBK; "文" is CE C4 in GBK.
const BoundaryCase kBoundaryCases[] = {
    {"ascii", "abc", 3},
    {"empty", "", 0},
    {"utf8 whole", "a\xE4\xB8\xAD", 4},
    {"utf8 cut after two of three bytes", "a\xE4\xB8", 1},
    {"utf8 cut after the lead", "ab\xC3", 2},
    {"utf8 four-byte cut", "a\xF0\x9F\x98", 1},
    {"utf8 four-byte whole", "a\xF0\x9F\x98\x80", 5},
    {"gbk whole", "a\xD6\xD0\xCE\xC4", 5},
    {"gbk lone lead at the end", "\xD6\xD0\xCE", 2},
    // trail bytes may fall in the ASCII range; a backward look would misread them
    {"gbk trail in ascii range", "\x81\x40\x81\x41", 4},
    {"gbk lead after ascii-range trail", "\x81\x40\x81", 2},
    // C4 E3 reads as a UTF-8 lead with a bad continuation, so the text is GBK
    {"gbk that starts like utf8", "\xC4\xE3\xBA", 2},
    {"gb18030 four-byte cut", "\xD6\xD0\x81\x30\x81", 2},
    {"gb18030 four-byte whole", "\xD6\xD0\x81\x30\x81\x30", 6},
};

class CharacterBoundaryTest : public testing::TestWithParam<BoundaryCase> {};

TEST_P(CharacterBoundaryTest, CutsAtTheEndOfTheLastWholeCharacter) {
    const BoundaryCase& c = GetParam();
    EXPECT_EQ(characterBoundary(c.text.data(), c.text.size()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, CharacterBoundaryTest, testing::ValuesIn(kBoundaryCases),
                         [](const testing::TestParamInfo<BoundaryCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) {
                                     ch = '_';
                                 }
                             }
                             return name;
                         });

// A heap buffer of exactly the capacity, so AddressSanitizer sees any byte
// written past it.
std::size_t format(std::vector<char>& buffer, const char* format, ...) {
    buffer.assign(kMessageCapacity, '\x7F');
    std::va_list args;
    va_start(args, format);
    const std::size_t length = runlog::formatMessage(buffer.data(), format, args);
    va_end(args);
    return length;
}

TEST(FormatMessageTest, FormatsLikePrintf) {
    std::vector<char> buffer;
    ASSERT_EQ(format(buffer, "x=%d %s", 5, "ok"), 6u);
    EXPECT_STREQ(buffer.data(), "x=5 ok");
}

TEST(FormatMessageTest, StopsAtAZeroByteLikePercentS) {
    std::vector<char> buffer;
    EXPECT_EQ(format(buffer, "ab%cde", 0), 2u);
}

TEST(FormatMessageTest, LongMessagesKeepWholeCharactersWithinTheBuffer) {
    const std::size_t limit = kMessageCapacity - 1;
    struct Case {
        std::string message;
        std::size_t expected;
    } cases[] = {
        {std::string(limit, 'a'), limit},
        {std::string(limit + 1, 'a'), limit},
        {std::string(3 * kMessageCapacity, 'a'), limit},
        {std::string(limit - 1, 'a') + "\xE4\xB8\xAD", limit - 1},
        {std::string(limit - 2, 'a') + "\xE4\xB8\xAD", limit - 2},
        {std::string(limit - 3, 'a') + "\xE4\xB8\xAD" + "tail", limit},
        {std::string(limit - 1, 'a') + "\xD6\xD0", limit - 1},
        {std::string(limit + 1, '\xD6'), limit - 1},  // the pair across the cut goes
    };
    for (const Case& c : cases) {
        std::vector<char> buffer;
        const std::size_t length = format(buffer, "%s", c.message.c_str());
        EXPECT_EQ(length, c.expected) << "message of " << c.message.size() << " bytes";
        EXPECT_EQ(buffer[length], '\0');
        EXPECT_EQ(std::string(buffer.data(), length), c.message.substr(0, length));
    }
}

}  // namespace
