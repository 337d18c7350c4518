#include <demux/buffer.h>

#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(CBufferTest, AppendConsumeCompact) {
    hik::CBuffer buffer;
    ASSERT_TRUE(buffer.reserve(8));
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    buffer.append(bytes, 6);
    buffer.consume(4);
    EXPECT_EQ(buffer.unreadSize(), 2);
    // the two unread bytes move to the front instead of growing the array
    buffer.append(bytes + 6, 4);
    EXPECT_EQ(buffer.capacity(), 8);
    EXPECT_EQ(buffer.readPos(), 0);
    EXPECT_EQ(std::vector<uint8_t>(buffer.unread(), buffer.unread() + buffer.unreadSize()),
              (std::vector<uint8_t>{5, 6, 7, 8, 9, 10}));
    buffer.append(bytes, 10);
    EXPECT_GE(buffer.capacity(), 16);
    EXPECT_EQ(buffer.unreadSize(), 16);
    buffer.consume(15);
    buffer.compact();
    EXPECT_EQ(buffer.size(), 1);
    EXPECT_EQ(buffer.unread()[0], 10);
    buffer.empty();
    EXPECT_EQ(buffer.unreadSize(), 0);
    EXPECT_GE(buffer.capacity(), 16);
}

// Growth is geometric: a buffer fed one byte at a time reallocates a
// logarithmic number of times.
TEST(CBufferTest, GrowsGeometrically) {
    hik::CBuffer buffer;
    int changes = 0;
    int32_t capacity = buffer.capacity();
    const uint8_t byte = 0x42;
    for (int i = 0; i < 100000; ++i) {
        buffer.append(&byte, 1);
        if (buffer.capacity() != capacity) {
            ++changes;
            capacity = buffer.capacity();
        }
    }
    EXPECT_LE(changes, 20);
    EXPECT_EQ(buffer.size(), 100000);
}

}  // namespace
