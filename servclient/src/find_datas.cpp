#include "find_datas.h"

#include <cstdio>

#include <boost/make_shared.hpp>

#include "bson_fields.h"

namespace sms {

boost::shared_ptr<FindDatas> FindDatas::fromAnswer(const bson_t* answer) {
    std::vector<FindEntry> entries;
    bson_iter_t it;
    bson_iter_t list;
    if (answer != nullptr && bson_iter_init_find(&it, answer, "filelist") && BSON_ITER_HOLDS_ARRAY(&it) &&
        bson_iter_recurse(&it, &list)) {
        while (bson_iter_next(&list)) {
            if (!BSON_ITER_HOLDS_DOCUMENT(&list)) {
                break;
            }
            uint32_t len = 0;
            const uint8_t* data = nullptr;
            bson_iter_document(&list, &len, &data);
            bson_t entry;
            if (!bson_init_static(&entry, data, len)) {
                break;
            }
            const boost::optional<int64_t> size = int64Of(&entry, "size");
            const boost::optional<std::string> et = stringOf(&entry, "et");
            const boost::optional<std::string> st = stringOf(&entry, "st");
            if (!size || !et || !st) {
                break;
            }
            entries.push_back(FindEntry{*size, *et, *st});
        }
    }
    return boost::make_shared<FindDatas>(std::move(entries));
}

int32_t FindDatas::next(OvSmsFindData* out) {
    const int32_t count = static_cast<int32_t>(entries_.size());
    int32_t index = cursor_.load();
    do {
        if (index >= count) {
            return -1;
        }
    } while (!cursor_.compare_exchange_weak(index, index + 1));
    const FindEntry& entry = entries_[static_cast<std::size_t>(index)];
    // the widths also keep a long run of digits from overflowing a field
    std::sscanf(entry.st.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &out->startYear, &out->startMonth, &out->startDay,
                &out->startHour, &out->startMinute, &out->startSecond);
    std::sscanf(entry.et.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &out->endYear, &out->endMonth, &out->endDay, &out->endHour,
                &out->endMinute, &out->endSecond);
    out->size = entry.size;
    return 0;
}

}  // namespace sms
