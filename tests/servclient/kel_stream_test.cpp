#include "kel_stream.h"

#include <functional>

#include <gtest/gtest.h>

#include "kel_documents.h"

namespace sms {
namespace {

TEST(KelStream, MediaFramesNeedEveryElementOfItsType) {
    const uint8_t bytes[] = {0, 0, 0, 1, 0x65};
    typedef std::function<void(DocBuilder&)> Element;
    const Element d = [&](DocBuilder& b) { b.binary("d", bytes, sizeof bytes); };
    const Element pts = [](DocBuilder& b) { b.i64("pts", 3600); };
    const Element t = [](DocBuilder& b) { b.i32("t", 2); };
    const Element st = [](DocBuilder& b) { b.i32("st", 1); };
    const struct {
        const char* what;
        std::vector<Element> elements;
        bool read;
    } cases[] = {
        {"complete", {d, pts, t, st}, true},
        {"any order", {st, t, pts, d}, true},
        {"no d", {pts, t, st}, false},
        {"d as text", {[](DocBuilder& b) { b.text("d", "abc"); }, pts, t, st}, false},
        {"no pts", {d, t, st}, false},
        {"pts as int32", {d, [](DocBuilder& b) { b.i32("pts", 3600); }, t, st}, false},
        {"no t", {d, pts, st}, false},
        {"st as int64", {d, pts, t, [](DocBuilder& b) { b.i64("st", 1); }}, false},
    };
    for (const auto& c : cases) {
        DocBuilder b;
        b.i32("fcode", FC_MEDIA);
        for (const auto& element : c.elements) {
            element(b);
        }
        const BsonDocPtr doc = b.finish();
        KelStream frame{};
        ASSERT_EQ(mediaFrameOf(doc->get(), &frame), c.read) << c.what;
        if (c.read) {
            EXPECT_EQ(frame.len, int32_t(sizeof bytes)) << c.what;
            EXPECT_EQ(std::vector<uint8_t>(frame.data, frame.data + frame.len),
                      std::vector<uint8_t>(bytes, bytes + sizeof bytes))
                << c.what;
            EXPECT_EQ(frame.pts, 3600) << c.what;
            EXPECT_EQ(frame.t, 2) << c.what;
            EXPECT_EQ(frame.st, 1) << c.what;
        }
    }
    KelStream unread{};
    EXPECT_FALSE(mediaFrameOf(nullptr, &unread));  // a payload that held no document
}

}  // namespace
}  // namespace sms
