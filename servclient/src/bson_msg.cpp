#include "bson_msg.h"

#include <boost/make_shared.hpp>

namespace sms {

BsonDocPtr adoptDoc(bson_t* doc) {
    return boost::make_shared<const BsonDoc>(doc);
}

BsonMsg::BsonMsg(BsonDocPtr doc) : doc_(std::move(doc)) {
    encodeHeader(header_, doc_->get()->len);
}

std::vector<boost::asio::const_buffer> BsonMsg::outputRanges() const {
    return {boost::asio::buffer(header_, kHeaderSize),
            boost::asio::buffer(bson_get_data(doc_->get()), doc_->get()->len)};
}

KelMsgPtr makeMsg(BsonDocPtr doc) {
    return boost::make_shared<BsonMsg>(std::move(doc));
}

}  // namespace sms
