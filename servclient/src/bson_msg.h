#pragma once

#include <boost/shared_ptr.hpp>

#include "frame_header.h"
#include "kel_msg.h"

namespace sms {

// A finished document, shared by reference count so that building a frame
// copies nothing.
class BsonDoc {
public:
    // Takes ownership of a document made by bson_new().
    explicit BsonDoc(bson_t* doc) : doc_(doc) {}
    ~BsonDoc() { bson_destroy(doc_); }
    BsonDoc(const BsonDoc&) = delete;
    BsonDoc& operator=(const BsonDoc&) = delete;

    const bson_t* get() const { return doc_; }

private:
    bson_t* doc_;
};

typedef boost::shared_ptr<const BsonDoc> BsonDocPtr;

BsonDocPtr adoptDoc(bson_t* doc);

// An outgoing frame: the header, then the document, as two ranges.
class BsonMsg : public KelMsg {
public:
    explicit BsonMsg(BsonDocPtr doc);

    const bson_t* document() const override { return doc_->get(); }
    std::vector<boost::asio::const_buffer> outputRanges() const override;
    uint8_t* payloadArea() override { return nullptr; }

private:
    BsonDocPtr doc_;
    uint8_t header_[kHeaderSize];
};

KelMsgPtr makeMsg(BsonDocPtr doc);

}  // namespace sms
