#include "bson_fields.h"

namespace sms {
namespace {

bool findElement(const bson_t* doc, const char* key, bson_iter_t* it) {
    return doc != nullptr && bson_iter_init_find(it, doc, key);
}

}  // namespace

boost::optional<int32_t> int32Of(const bson_t* doc, const char* key) {
    bson_iter_t it;
    if (!findElement(doc, key, &it) || !BSON_ITER_HOLDS_INT32(&it)) {
        return boost::none;
    }
    return bson_iter_int32(&it);
}

boost::optional<int64_t> int64Of(const bson_t* doc, const char* key) {
    bson_iter_t it;
    if (!findElement(doc, key, &it) || !BSON_ITER_HOLDS_INT64(&it)) {
        return boost::none;
    }
    return bson_iter_int64(&it);
}

boost::optional<std::string> stringOf(const bson_t* doc, const char* key) {
    bson_iter_t it;
    if (!findElement(doc, key, &it) || !BSON_ITER_HOLDS_UTF8(&it)) {
        return boost::none;
    }
    uint32_t len = 0;
    const char* text = bson_iter_utf8(&it, &len);
    return std::string(text, len);
}

std::string textOf(const bson_t* doc, const char* key) {
    return stringOf(doc, key).value_or(std::string());
}

boost::optional<BinaryView> binaryOf(const bson_t* doc, const char* key) {
    bson_iter_t it;
    if (!findElement(doc, key, &it) || !BSON_ITER_HOLDS_BINARY(&it)) {
        return boost::none;
    }
    bson_subtype_t subtype;
    uint32_t len = 0;
    const uint8_t* data = nullptr;
    bson_iter_binary(&it, &subtype, &len, &data);
    return BinaryView{data, len};
}

}  // namespace sms
