#pragma once

// The result of one record search, read entry by entry through a cursor.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include <bson/bson.h>
#include <boost/shared_ptr.hpp>

#include <ov/ovsms_records.h>

namespace sms {

struct FindEntry {
    int64_t size;
    std::string et;
    std::string st;
};

class FindDatas {
public:
    explicit FindDatas(std::vector<FindEntry> entries) : entries_(std::move(entries)) {}

    // The entries of a search answer's "filelist", in array order. The first
    // entry without an int64 "size" and string "st" and "et" ends the list;
    // those before it stay. No "filelist" (or no array) gives no entries.
    static boost::shared_ptr<FindDatas> fromAnswer(const bson_t* answer);

    // Fills the next entry: 0, or -1 once the entries are used up (and on
    // every later call). Each concurrent caller gets a different entry. Time
    // fields the stored text does not supply keep the values they had.
    int32_t next(OvSmsFindData* out);

    const std::vector<FindEntry>& entries() const { return entries_; }

private:
    std::vector<FindEntry> entries_;
    // stops at the number of entries, so endless calls cannot wrap it
    std::atomic<int32_t> cursor_{0};
};

typedef boost::shared_ptr<FindDatas> FindDatasPtr;

}  // namespace sms
