#include "stream_pump.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <hiksimtest/hik_stream.h>

using hiksim::PsSource;
using hiksim::StreamPump;

namespace {

// What a receiver saw, with a way to wait for enough of it.
struct Capture {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<uint32_t> types;
    std::vector<uint32_t> sizes;
    std::vector<uint8_t> bytes;  // of the data blocks
    std::thread::id thread;

    void receive(uint32_t type, const uint8_t* data, uint32_t size) {
        std::lock_guard<std::mutex> lock(mutex);
        thread = std::this_thread::get_id();
        types.push_back(type);
        sizes.push_back(size);
        if (type == 2) {
            bytes.insert(bytes.end(), data, data + size);
        }
        changed.notify_all();
    }

    bool waitForBytes(std::size_t n) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(60), [&] { return bytes.size() >= n; });
    }
};

std::shared_ptr<const PsSource> smallSource() {
    return PsSource::fromBytes(hiksimtest::MakeHikStream(hiksimtest::FakeVideo(10)), "small");
}

}  // namespace

TEST(StreamPumpTest, HeaderOnceThenTheStreamInVaryingBlocksOverAndOver) {
    auto source = smallSource();
    Capture seen;
    StreamPump pump(source, false, 7, [&](uint32_t t, uint8_t* d, uint32_t n) { seen.receive(t, d, n); });
    pump.start();
    const std::size_t body = source->bodySize();
    ASSERT_TRUE(seen.waitForBytes(3 * body + 1));
    pump.stop();

    std::lock_guard<std::mutex> lock(seen.mutex);
    EXPECT_NE(std::this_thread::get_id(), seen.thread);
    ASSERT_GE(seen.types.size(), 2u);
    EXPECT_EQ(1u, seen.types[0]);
    EXPECT_EQ(40u, seen.sizes[0]);
    for (std::size_t i = 1; i < seen.types.size(); ++i) {
        ASSERT_EQ(2u, seen.types[i]) << i;
    }
    // the stream repeats whole, and blocks never straddle its end
    for (std::size_t pass = 0; pass < 3; ++pass) {
        EXPECT_TRUE(std::equal(source->body(), source->body() + body, seen.bytes.begin() + std::ptrdiff_t(pass * body)))
            << "pass " << pass;
    }
    std::size_t small = 0;
    std::size_t large = 0;
    for (std::size_t i = 1; i < seen.sizes.size(); ++i) {
        small += seen.sizes[i] <= 64 ? 1 : 0;
        large += seen.sizes[i] >= 512 ? 1 : 0;
    }
    EXPECT_GT(small, 0u);
    EXPECT_GT(large, 0u);
    EXPECT_EQ(int64_t(seen.types.size()), pump.delivered());
}

TEST(StreamPumpTest, RealTimePacingHoldsBackLaterPacks) {
    // packs 10 s apart: only the first can have gone out when we stop
    std::vector<hiksimtest::PsFrame> frames = hiksimtest::FakeVideo(2, 0, 25, 50000);
    frames[1].timeMs = 10000;
    auto source = PsSource::fromBytes(hiksimtest::MakeHikStream(frames), "slow");
    Capture seen;
    StreamPump pump(source, true, 1, [&](uint32_t t, uint8_t* d, uint32_t n) { seen.receive(t, d, n); });
    pump.start();
    ASSERT_TRUE(seen.waitForBytes(source->packs()[1].offset - 8192));
    pump.stop();  // must not wait out the 10 s either
    std::lock_guard<std::mutex> lock(seen.mutex);
    EXPECT_LE(seen.bytes.size(), source->packs()[1].offset);
}

TEST(StreamPumpTest, StopFromInsideTheReceiverDoesNotDeadlock) {
    // held by the receiver too: its thread may still be leaving the receiver
    // when the test has moved on
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        bool stopped = false;
        int callsAfterStop = 0;
        StreamPump* pump = nullptr;
    };
    auto shared = std::make_shared<Shared>();
    std::unique_ptr<StreamPump> pump(new StreamPump(smallSource(), false, 3, [shared](uint32_t, uint8_t*, uint32_t) {
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->stopped) {
            ++shared->callsAfterStop;
            return;
        }
        shared->pump->stop();
        shared->stopped = true;
        shared->done.notify_all();
    }));
    shared->pump = pump.get();
    pump->start();
    std::unique_lock<std::mutex> lock(shared->mutex);
    ASSERT_TRUE(shared->done.wait_for(lock, std::chrono::seconds(60), [&] { return shared->stopped; }));
    pump.reset();
    EXPECT_EQ(0, shared->callsAfterStop);
}

TEST(StreamPumpTest, ExceptionsOfTheReceiverAreCountedAndSurvived) {
    auto source = smallSource();
    const int64_t before = StreamPump::escapedExceptions();
    Capture seen;
    StreamPump pump(source, false, 5, [&](uint32_t t, uint8_t* d, uint32_t n) {
        seen.receive(t, d, n);
        throw std::runtime_error("receiver fault");
    });
    pump.start();
    ASSERT_TRUE(seen.waitForBytes(source->bodySize()));
    pump.stop();
    EXPECT_EQ(before + pump.delivered(), StreamPump::escapedExceptions());
}
