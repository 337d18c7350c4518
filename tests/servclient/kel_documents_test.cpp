#include "kel_documents.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bson_fields.h"
#include "data_msg.h"

namespace sms {
namespace {

std::vector<uint8_t> wire(const KelMsgPtr& msg) {
    std::vector<uint8_t> bytes;
    for (const auto& range : msg->outputRanges()) {
        const auto* p = static_cast<const uint8_t*>(range.data());
        bytes.insert(bytes.end(), p, p + range.size());
    }
    return bytes;
}

std::vector<std::string> keys(const BsonDocPtr& doc) {
    std::vector<std::string> found;
    bson_iter_t it;
    bson_iter_init(&it, doc->get());
    while (bson_iter_next(&it)) {
        found.push_back(bson_iter_key(&it));
    }
    return found;
}

TEST(KelDocuments, HeartbeatFrameIsTheThirtyBytesOfTheWorkedExample) {
    // {fcode: 2, sn: 7}: 6-byte header "OV" + big-endian 24, then the 24-byte
    // BSON document (two int32 elements), written out by hand from the BSON
    // layout: size, 0x10 "fcode" 2, 0x10 "sn" 7, terminator.
    const std::vector<uint8_t> expected = {0x4f, 0x56, 0x00, 0x00, 0x00, 0x18, 0x18, 0x00, 0x00, 0x00,
                                           0x10, 0x66, 0x63, 0x6f, 0x64, 0x65, 0x00, 0x02, 0x00, 0x00,
                                           0x00, 0x10, 0x73, 0x6e, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(wire(makeMsg(heartbeatDoc(7))), expected);
}

TEST(KelDocuments, RequestsCarryTheirElementsInTheServersOrder) {
    const DeviceChannel dev{"hik", "10.0.0.9", "admin", "pw", "1"};
    const OV::DevTime st{2026, 1, 2, 3, 4, 5};
    const OV::DevTime et{2026, 1, 2, 4, 0, 0};
    typedef std::vector<std::string> Keys;
    const struct {
        BsonDocPtr doc;
        Keys keys;
    } cases[] = {
        {loginDoc(0, "u", "p"), Keys{"fcode", "sn", "username", "password", "v1", "v2", "v3", "v4"}},
        {heartbeatDoc(1), Keys{"fcode", "sn"}},
        {liveByDeviceDoc(2, dev, 0),
         Keys{"fcode", "sn", "devtype", "devaddr", "chnlname", "userdata", "hasaudio", "streammode"}},
        {liveByIdDoc(2, "c1", 1), Keys{"fcode", "sn", "chnlid", "userdata", "hasaudio", "streammode"}},
        {ptzByDeviceDoc(3, dev, 2, 5), Keys{"fcode", "sn", "devtype", "devaddr", "chnlname", "ptzcmd", "ptzparam"}},
        {ptzByIdDoc(3, "c1", 2, 5), Keys{"fcode", "sn", "chnlid", "ptzcmd", "ptzparam"}},
        {dbInfoDoc(4), Keys{"fcode", "sn"}},
        {findByDeviceDoc(5, st, et, dev), Keys{"fcode", "sn", "st", "et", "devtype", "devaddr", "chnlname"}},
        {findByIdDoc(5, st, et, "c1"), Keys{"fcode", "sn", "st", "et", "chnlid"}},
        {playbackByDeviceDoc(6, dev, st, et),
         Keys{"fcode", "sn", "devtype", "devaddr", "chnlname", "userdata", "st", "et"}},
        {playbackByIdDoc(6, "c1", st, et), Keys{"fcode", "sn", "chnlid", "userdata", "st", "et"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(keys(c.doc), c.keys) << "fcode " << *int32Of(c.doc->get(), "fcode");
    }
    const bson_t* login = cases[0].doc->get();
    EXPECT_EQ(*int32Of(login, "v1"), 1);
    EXPECT_EQ(*int32Of(login, "v2"), 1);
    EXPECT_EQ(*int32Of(login, "v3"), 0);
    EXPECT_EQ(*int32Of(login, "v4"), 0);
    const bson_t* find = cases[7].doc->get();
    EXPECT_EQ(textOf(find, "st"), "2026-01-02 03:04:05");
    EXPECT_EQ(textOf(find, "devaddr"), "10.0.0.9@admin:pw");
}

TEST(KelDocuments, DevAddrKeepsTheSeparatorsOfEmptyParts) {
    EXPECT_EQ(devAddr("10.0.0.9", "admin", ""), "10.0.0.9@admin:");
    EXPECT_EQ(devAddr("", "", ""), "@:");
    EXPECT_EQ(devAddr("", "u", "p"), "@u:p");
}

TEST(KelDocuments, TimeTextTakesTheFieldsUnchecked) {
    EXPECT_EQ(timeText(OV::DevTime{2026, 1, 2, 3, 4, 5}), "2026-01-02 03:04:05");
    EXPECT_EQ(timeText(OV::DevTime{99, 13, 0, 25, -1, 60}), "0099-13-00 25:-1:60");
}

TEST(KelDocuments, RoutingByFunctionCode) {
    for (int32_t fcode : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}) {
        EXPECT_EQ(routeOf(fcode), Route::Answer) << fcode;
    }
    EXPECT_EQ(routeOf(2), Route::Heartbeat);
    EXPECT_EQ(routeOf(50), Route::Media);
    EXPECT_EQ(routeOf(51), Route::Media);
    for (int32_t fcode : {0, -1, 14, 49, 52, 1000}) {
        EXPECT_EQ(routeOf(fcode), Route::Ignore) << fcode;
    }
}

TEST(KelDocuments, AnswerCodeNeedsAnInt32Retcode) {
    auto answer = [](const std::function<void(DocBuilder&)>& fill) {
        DocBuilder b;
        fill(b);
        return makeMsg(b.finish());
    };
    EXPECT_EQ(answerCode(KelMsgPtr()), -1);
    EXPECT_EQ(answerCode(answer([](DocBuilder&) {})), -1);  // the empty document
    EXPECT_EQ(answerCode(answer([](DocBuilder& b) { b.i32("fcode", 9).i32("sn", 1); })), -1);
    EXPECT_EQ(answerCode(answer([](DocBuilder& b) { b.i32("fcode", 9).text("retcode", "0"); })), -1);
    EXPECT_EQ(answerCode(answer([](DocBuilder& b) { b.i32("fcode", 9).i64("retcode", 0); })), -1);
    EXPECT_EQ(answerCode(answer([](DocBuilder& b) { b.i32("fcode", 9).i32("retcode", 0); })), 0);
    EXPECT_EQ(answerCode(answer([](DocBuilder& b) { b.i32("fcode", 9).i32("retcode", 3); })), 3);
}

}  // namespace
}  // namespace sms
