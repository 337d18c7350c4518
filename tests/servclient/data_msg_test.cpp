#include "data_msg.h"

#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "bson_fields.h"

namespace sms {
namespace {

// A received frame with the given payload bytes.
std::unique_ptr<DataMsg> received(const std::vector<uint8_t>& payload) {
    std::unique_ptr<DataMsg> msg(new DataMsg(static_cast<uint32_t>(payload.size())));
    std::memcpy(msg->payloadArea(), payload.data(), payload.size());
    return msg;
}

TEST(DataMsg, HeaderOfTheAnnouncedLength) {
    DataMsg msg(0x01020304);
    const uint8_t expected[] = {'O', 'V', 1, 2, 3, 4};
    EXPECT_EQ(std::memcmp(msg.header(), expected, sizeof expected), 0);
    EXPECT_TRUE(msg.outputRanges().empty());
}

TEST(DataMsg, DocumentIsParsedInPlaceOrRefused) {
    // {sn: 7}: size 13, 0x10 "sn" 7, terminator
    const std::vector<uint8_t> sn7 = {13, 0, 0, 0, 0x10, 's', 'n', 0, 7, 0, 0, 0, 0};
    {
        auto msg = received(sn7);
        ASSERT_NE(msg->document(), nullptr);
        EXPECT_EQ(bson_get_data(msg->document()), msg->payloadArea());  // no copy
        EXPECT_EQ(*int32Of(msg->document(), "sn"), 7);
        EXPECT_EQ(msg->document(), msg->document());  // parsed once
    }
    {
        // bytes after the document are not compared with its size
        std::vector<uint8_t> longer = sn7;
        longer.push_back(0xAA);
        EXPECT_NE(received(longer)->document(), nullptr);
    }
    {
        // the empty document is a document
        EXPECT_NE(received({5, 0, 0, 0, 0})->document(), nullptr);
    }
    const std::vector<std::vector<uint8_t>> refused = {
        {4, 0, 0, 0, 0},                                  // size below 5
        {14, 0, 0, 0, 0x10, 's', 'n', 0, 7, 0, 0, 0, 0},  // size past the payload
        {13, 0, 0, 0, 0x10, 's', 'n', 0, 7, 0, 0, 0, 1},  // no terminator
        {0xff, 0xff, 0xff, 0xff, 0},                      // negative size
    };
    for (const auto& payload : refused) {
        EXPECT_EQ(received(payload)->document(), nullptr) << int(payload[0]);
    }
}

}  // namespace
}  // namespace sms
