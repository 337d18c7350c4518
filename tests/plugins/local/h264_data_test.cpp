#include "h264_data.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(H264DataTest, KeyPicturesAreThoseWithAnSpsOrAnIdrSlice) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool key;
    };
    const Case cases[] = {
        {"sps pps idr", {0, 0, 0, 1, 0x67, 0x42, 0, 0, 0, 1, 0x68, 0xce, 0, 0, 0, 1, 0x65, 0x88}, true},
        {"idr alone, three-byte code", {0, 0, 1, 0x65, 0x88, 0x84}, true},
        {"p slice", {0, 0, 0, 1, 0x41, 0x9a, 0x02}, false},
        {"sei then p slice", {0, 0, 0, 1, 0x06, 0x05, 0, 0, 0, 1, 0x41, 0x9a}, false},
        {"delimiter then idr", {0, 0, 0, 1, 0x09, 0x10, 0, 0, 0, 1, 0x65, 0x88}, true},
        // a slice ends the search: what follows it is not read
        {"p slice then sps", {0, 0, 0, 1, 0x41, 0x9a, 0, 0, 0, 1, 0x67, 0x42}, false},
        {"no start code", {0x65, 0x88, 0x84}, false},
        {"empty", {}, false},
    };
    for (const Case& c : cases) {
        const int32_t size = static_cast<int32_t>(c.bytes.size());
        EXPECT_EQ(local::holdsKeyPicture(c.bytes.data(), size), c.key) << c.name;
        local::H264Data copy(c.bytes.data(), size);
        EXPECT_EQ(copy.key(), c.key) << c.name;
        EXPECT_EQ(std::vector<uint8_t>(copy.data(), copy.data() + copy.size()), c.bytes) << c.name;
    }
}

}  // namespace
