#pragma once

// Typed look-ups of the elements of a received document. A missing element and
// an element of another type are the same to every caller: absent.

#include <cstdint>
#include <string>

#include <bson/bson.h>
#include <boost/optional.hpp>

namespace sms {

boost::optional<int32_t> int32Of(const bson_t* doc, const char* key);
boost::optional<int64_t> int64Of(const bson_t* doc, const char* key);
boost::optional<std::string> stringOf(const bson_t* doc, const char* key);
// Empty when the element is absent or not a string.
std::string textOf(const bson_t* doc, const char* key);

// The bytes of a binary element of any subtype; they point into the document.
struct BinaryView {
    const uint8_t* data;
    uint32_t len;
};
boost::optional<BinaryView> binaryOf(const bson_t* doc, const char* key);

}  // namespace sms
