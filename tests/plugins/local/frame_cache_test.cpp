#include "frame_cache.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using local::FrameCache;
using local::H264Data;

boost::shared_ptr<H264Data> frame(bool key, uint8_t mark = 0) {
    const std::vector<uint8_t> bytes = {0, 0, 0, 1, static_cast<uint8_t>(key ? 0x65 : 0x41), mark};
    return boost::shared_ptr<H264Data>(new H264Data(bytes.data(), static_cast<int32_t>(bytes.size())));
}

std::vector<int64_t> drainArrivals(FrameCache& cache) {
    std::vector<int64_t> out;
    local::PendingFrame f;
    while (cache.takeOldest(&f)) {
        out.push_back(f.arrivalMs);
    }
    return out;
}

TEST(FrameCacheTest, RenderIntervalFollowsTheArrivalRate) {
    struct Case {
        const char* name;
        std::vector<int64_t> arrivals;
        int32_t interval;
        int32_t idle;  // when a tick finds nothing to render
    };
    const Case cases[] = {
        {"nothing yet", {}, 40, 40},
        {"five every 40 ms", {0, 40, 80, 120, 160}, 40, 40},
        {"six every 40 ms", {0, 40, 80, 120, 160, 200}, 35, 35},
        {"six every 100 ms", {0, 100, 200, 300, 400, 500}, 95, 95},
        // a backlog drains at once, but an empty cache is not polled without pause
        {"burst of six", {7, 7, 7, 7, 7, 7}, 0, FrameCache::kMinIdleMs},
        {"six every 4 ms", {0, 4, 8, 12, 16, 20}, 0, FrameCache::kMinIdleMs},
        // integer milliseconds: 203 / 5 = 40, less 5
        {"uneven", {0, 41, 80, 122, 160, 203}, 35, 35},
    };
    for (const Case& c : cases) {
        FrameCache cache;
        for (int64_t t : c.arrivals) {
            cache.add(frame(false), 1000 + t);
        }
        EXPECT_EQ(cache.renderIntervalMs(), c.interval) << c.name;
        EXPECT_EQ(cache.idleIntervalMs(), c.idle) << c.name;
    }
}

TEST(FrameCacheTest, HistoryKeepsTenSecondsAndRestartsWhenTimeGoesBack) {
    FrameCache cache;
    for (int64_t t = 0; t < 10000; t += 1000) {
        cache.add(frame(false), t);
    }
    EXPECT_EQ(cache.historyCount(), 10u);
    // 10 s after the oldest: the oldest leaves
    cache.add(frame(false), 10000);
    EXPECT_EQ(cache.historyCount(), 10u);
    cache.add(frame(false), 15500);
    EXPECT_EQ(cache.historyCount(), 6u);  // 6000 .. 10000 and 15500
    // a clock that went back (midnight of a time of day)
    cache.add(frame(false), 200);
    EXPECT_EQ(cache.historyCount(), 1u);
    EXPECT_EQ(cache.renderIntervalMs(), 40);
    // the history never touches the frames themselves
    EXPECT_EQ(cache.pendingCount(), 13u);
}

TEST(FrameCacheTest, PendingFramesComeOutOldestFirst) {
    FrameCache cache;
    for (int64_t t : {10, 20, 30}) {
        cache.add(frame(t == 10), t);
    }
    EXPECT_EQ(drainArrivals(cache), (std::vector<int64_t>{10, 20, 30}));
    local::PendingFrame f;
    EXPECT_FALSE(cache.takeOldest(&f));
}

TEST(FrameCacheTest, DroppingBeforeTheNewestKeyKeepsWhatDecodesTheNewestPicture) {
    FrameCache cache;
    // K P P K P, arrival times 1..5
    const bool keys[] = {true, false, false, true, false};
    for (int i = 0; i < 5; ++i) {
        cache.add(frame(keys[i]), i + 1);
    }
    cache.dropBeforeNewestKey();
    EXPECT_EQ(drainArrivals(cache), (std::vector<int64_t>{4, 5}));

    // without a key frame nothing is dropped
    cache.add(frame(false), 6);
    cache.add(frame(false), 7);
    cache.dropBeforeNewestKey();
    EXPECT_EQ(cache.pendingCount(), 2u);
}

TEST(FrameCacheTest, APendingListAtItsBoundDropsTheOldestGroupOfPictures) {
    FrameCache cache;
    // key frames every 50, more than the bound in all
    const int total = static_cast<int>(FrameCache::kMaxPending) + 1;
    for (int i = 0; i < total; ++i) {
        cache.add(frame(i % 50 == 0), i);
    }
    // the first group went whole, so the list starts at a key frame again
    EXPECT_EQ(cache.pendingCount(), static_cast<size_t>(total - 50));
    local::PendingFrame f;
    ASSERT_TRUE(cache.takeOldest(&f));
    EXPECT_EQ(f.arrivalMs, 50);
    EXPECT_TRUE(f.data->key());
}

}  // namespace
