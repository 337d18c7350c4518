// The client's receive path on arbitrary bytes: the stream of a connection
// cut into frames as the reader cuts it (magic and length checked before
// anything is allocated), each payload taken as a BSON document, routed by
// "fcode", and read as the client reads answers ("retcode", "sn", the
// database texts, "filelist") and media frames ("d", "pts", "t", "st").
// Besides the sanitizers it checks that every text copied into a result
// record is terminated inside its field and that a search result hands out
// exactly its entries.
//
// Seeds (fuzz/corpus/servclient), one connection's byte stream per file,
// built once with the client's DocBuilder and smssim's frameOf the way the
// simulated server builds its frames: a login answer and a heartbeat; a
// database answer and one with "retcode" as text; a search answer of three
// entries, the third with an int32 "size"; media of fcode 50 and 51 and one
// without "d"; answers of codes 5 and 14 and an empty document.

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <boost/make_shared.hpp>

#include "bson_fields.h"
#include "data_msg.h"
#include "frame_header.h"
#include "kel_answers.h"
#include "kel_documents.h"
#include "kel_stream.h"

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

void terminatedWithin(const char* field, std::size_t cap) {
    check(std::memchr(field, '\0', cap) != nullptr);
}

// Reads one received frame the way the session and the requests do.
void readFrame(const sms::KelMsgPtr& msg) {
    const bson_t* doc = msg->document();
    const boost::optional<int32_t> fcode = sms::int32Of(doc, "fcode");
    if (!fcode) {
        return;
    }
    switch (sms::routeOf(*fcode)) {
        case sms::Route::Answer: {
            (void)sms::int32Of(doc, "sn");
            OvSmsDBInfo info;
            std::memset(&info, 0x7f, sizeof info);
            if (sms::dbInfoOf(msg, &info) == 0) {
                terminatedWithin(info.addr, sizeof info.addr);
                terminatedWithin(info.dbname, sizeof info.dbname);
                terminatedWithin(info.user, sizeof info.user);
                terminatedWithin(info.passw, sizeof info.passw);
            }
            const sms::FindDatasPtr found = sms::searchResultOf(msg);
            if (found) {
                OvSmsFindData data{};
                std::size_t handed = 0;
                while (found->next(&data) == 0) {
                    ++handed;
                }
                check(handed == found->entries().size());
                check(found->next(&data) == -1);
            }
            break;
        }
        case sms::Route::Media: {
            sms::KelStream frame;
            if (sms::mediaFrameOf(doc, &frame)) {
                check(frame.len >= 0 && (frame.len == 0 || frame.data != nullptr));
                // every byte handed to a consumer must be readable
                uint32_t sum = 0;
                for (int32_t i = 0; i < frame.len; ++i) {
                    sum += frame.data[i];
                }
                (void)sum;
            }
            break;
        }
        case sms::Route::Heartbeat:
        case sms::Route::Ignore:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::size_t at = 0;
    while (size - at >= sms::kHeaderSize) {
        const uint8_t* header = data + at;
        const uint32_t length = sms::decodeLength(header);
        // where the connection would be given up
        if (!sms::hasMagic(header) || !sms::lengthInRange(length) || length > size - at - sms::kHeaderSize) {
            break;
        }
        auto msg = boost::make_shared<sms::DataMsg>(length);
        std::memcpy(msg->payloadArea(), header + sms::kHeaderSize, length);
        readFrame(msg);
        at += sms::kHeaderSize + length;
    }
    return 0;
}
