#include "find_datas.h"

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "kel_documents.h"

namespace sms {
namespace {

struct Entry {
    bool sizeAsInt64;
    const char* st;
    const char* et;
    int64_t size;
};

// An answer whose "filelist" holds the given entries.
BsonDocPtr answer(const std::vector<Entry>& entries) {
    DocBuilder b;
    b.i32("fcode", 11).i32("sn", 1).i32("retcode", 0);
    bson_t list;
    bson_append_array_begin(b.raw(), "filelist", -1, &list);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        bson_t e;
        const std::string key = std::to_string(i);
        bson_append_document_begin(&list, key.c_str(), -1, &e);
        if (entries[i].sizeAsInt64) {
            bson_append_int64(&e, "size", -1, entries[i].size);
        } else {
            bson_append_int32(&e, "size", -1, static_cast<int32_t>(entries[i].size));
        }
        bson_append_utf8(&e, "st", -1, entries[i].st, -1);
        bson_append_utf8(&e, "et", -1, entries[i].et, -1);
        bson_append_document_end(&list, &e);
    }
    bson_append_array_end(b.raw(), &list);
    return b.finish();
}

TEST(FindDatas, ThreeEntriesInOrderThenNoMoreForEver) {
    const auto doc = answer({{true, "2026-01-02 03:04:05", "2026-01-02 04:00:00", 100},
                             {true, "2026-01-03 00:00:00", "2026-01-03 01:00:00", 200},
                             {true, "2026-01-04 00:00:00", "2026-01-04 01:00:00", int64_t(1) << 40}});
    auto result = FindDatas::fromAnswer(doc->get());
    OvSmsFindData d{};
    ASSERT_EQ(result->next(&d), 0);
    EXPECT_EQ((std::vector<int32_t>{d.startYear, d.startMonth, d.startDay, d.startHour, d.startMinute, d.startSecond}),
              (std::vector<int32_t>{2026, 1, 2, 3, 4, 5}));
    EXPECT_EQ((std::vector<int32_t>{d.endYear, d.endMonth, d.endDay, d.endHour, d.endMinute, d.endSecond}),
              (std::vector<int32_t>{2026, 1, 2, 4, 0, 0}));
    EXPECT_EQ(d.size, 100);
    ASSERT_EQ(result->next(&d), 0);
    EXPECT_EQ(d.startDay, 3);
    ASSERT_EQ(result->next(&d), 0);
    EXPECT_EQ(d.size, int64_t(1) << 40);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(result->next(&d), -1);
    }
}

TEST(FindDatas, AnEntryThatDoesNotFitEndsTheList) {
    const auto doc = answer({{true, "2026-01-02 03:04:05", "2026-01-02 04:00:00", 100},
                             {false, "2026-01-03 00:00:00", "2026-01-03 01:00:00", 200},
                             {true, "2026-01-04 00:00:00", "2026-01-04 01:00:00", 300}});
    EXPECT_EQ(FindDatas::fromAnswer(doc->get())->entries().size(), 1u);

    DocBuilder none;
    none.i32("retcode", 0);
    EXPECT_TRUE(FindDatas::fromAnswer(none.finish()->get())->entries().empty());
    DocBuilder notArray;
    notArray.i32("retcode", 0).text("filelist", "x");
    EXPECT_TRUE(FindDatas::fromAnswer(notArray.finish()->get())->entries().empty());
}

TEST(FindDatas, FieldsTheTextDoesNotSupplyKeepTheirValues) {
    const auto doc = answer({{true, "2026-01-02", "garbage", 7}});
    OvSmsFindData d{};
    d.startHour = 11;
    d.endYear = 1999;
    d.endSecond = 42;
    ASSERT_EQ(FindDatas::fromAnswer(doc->get())->next(&d), 0);
    EXPECT_EQ(d.startYear, 2026);
    EXPECT_EQ(d.startDay, 2);
    EXPECT_EQ(d.startHour, 11);
    EXPECT_EQ(d.endYear, 1999);
    EXPECT_EQ(d.endSecond, 42);
    EXPECT_EQ(d.size, 7);
}

TEST(FindDatas, ConcurrentReadersEachGetADifferentEntry) {
    std::vector<Entry> entries;
    for (int i = 0; i < 400; ++i) {
        entries.push_back({true, "2026-01-02 03:04:05", "2026-01-02 04:00:00", i});
    }
    auto result = FindDatas::fromAnswer(answer(entries)->get());
    std::vector<std::vector<int64_t>> seen(4);
    std::vector<std::thread> readers;
    for (auto& mine : seen) {
        readers.emplace_back([&result, &mine] {
            OvSmsFindData d{};
            while (result->next(&d) == 0) {
                mine.push_back(d.size);
            }
        });
    }
    for (auto& t : readers) {
        t.join();
    }
    std::set<int64_t> all;
    std::size_t count = 0;
    for (const auto& mine : seen) {
        all.insert(mine.begin(), mine.end());
        count += mine.size();
    }
    EXPECT_EQ(count, 400u);
    EXPECT_EQ(all.size(), 400u);
}

}  // namespace
}  // namespace sms
