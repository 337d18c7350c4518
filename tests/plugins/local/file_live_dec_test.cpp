#include "file_live_dec.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <ov/avc/jpeg_buf.h>

#include "frame_collector.h"
#include "yuv_image.h"

namespace {

using local::FileLiveDec;
using local::PaceClock;
using std::chrono::milliseconds;

const std::string kClip = OV_TEST_DATA_DIR "/clip.mp4";  // 100 pictures, 25 per second

// A clock that never waits: each sleep is recorded and moves the time to its
// end at once, so the worker runs as fast as it can decode and encode.
class FakeClock : public PaceClock {
public:
    struct Sleep {
        milliseconds from;  // since the origin
        milliseconds until;
    };

    TimePoint now() override {
        std::lock_guard<std::mutex> lock(mutex_);
        return now_;
    }
    bool sleepUntil(TimePoint due, local::StopSignal& stop) override {
        std::lock_guard<std::mutex> lock(mutex_);
        sleeps_.push_back({since(now_), since(due)});
        if (due > now_) {
            now_ = due;
        }
        return stop.raised();
    }
    std::vector<Sleep> sleeps() {
        std::lock_guard<std::mutex> lock(mutex_);
        return sleeps_;
    }

private:
    milliseconds since(TimePoint t) const { return std::chrono::duration_cast<milliseconds>(t - origin_); }

    const TimePoint origin_ = TimePoint() + std::chrono::hours(24);
    std::mutex mutex_;
    TimePoint now_ = origin_;
    std::vector<Sleep> sleeps_;
};

struct Fixture {
    boost::shared_ptr<FakeClock> clock{new FakeClock()};
    localtest::FrameCollector collector;
    boost::shared_ptr<FileLiveDec> channel;

    explicit Fixture(const std::string& path = kClip, FileLiveDec::Options options = FileLiveDec::Options()) {
        options.clock = clock;
        channel = FileLiveDec::open(path, options);
        if (channel) {
            channel->SetCallback(collector.callback(), OV::FrameCallback());
        }
    }
};

bool workersBackTo(int count) {
    return localtest::eventually([count] { return FileLiveDec::runningWorkers() == count; });
}

TEST(FileLiveDecTest, LoopsWithTheTimeLineGoingOnAndSleepsUntilEachPictureIsDue) {
    const int base = FileLiveDec::runningWorkers();
    Fixture f;
    ASSERT_TRUE(f.channel);
    ASSERT_EQ(f.channel->Start(), 0);
    const size_t n = 260;  // more than two and a half loops
    ASSERT_TRUE(f.collector.waitFor(n));
    f.channel.reset();
    ASSERT_TRUE(workersBackTo(base));

    const std::vector<localtest::Delivered> frames = f.collector.frames();
    for (size_t i = 0; i < n; ++i) {
        const localtest::Delivered& d = frames[i];
        // ..., 3960, then 4000 rather than 0: the time line goes on
        ASSERT_EQ(d.time, static_cast<int64_t>(40 * i)) << "frame " << i;
        EXPECT_EQ(d.kind, OV::FRAME_H264);
        EXPECT_EQ(d.streamType, OV::STREAM_H264);
        // a key frame every 2 s of the time line: pictures 0, 50, 100, ...
        EXPECT_EQ(d.key, i % 50 == 0 ? 1 : 0) << "frame " << i;
        ASSERT_GE(d.bytes.size(), 5u);
        EXPECT_EQ(d.bytes[0] | d.bytes[1], 0);
        if (d.key) {
            // an IDR frame starts with its parameter sets
            EXPECT_EQ(d.bytes[4] & 0x1f, 7) << "frame " << i;
        }
    }
    // one sleep per picture, each until the picture's place on the time line
    // counted from the first picture; never a wait that is not needed
    const std::vector<FakeClock::Sleep> sleeps = f.clock->sleeps();
    ASSERT_GE(sleeps.size(), n);
    for (size_t i = 0; i < n; ++i) {
        ASSERT_EQ(sleeps[i].until.count(), sleeps[0].until.count() + static_cast<int64_t>(40 * i)) << "picture " << i;
    }
}

TEST(FileLiveDecTest, ASecondStartStartsNoSecondWorker) {
    const int base = FileLiveDec::runningWorkers();
    Fixture f;
    ASSERT_TRUE(f.channel);
    EXPECT_EQ(f.channel->Start(), 0);
    EXPECT_EQ(f.channel->Start(), 0);
    EXPECT_EQ(FileLiveDec::runningWorkers(), base + 1);
    ASSERT_TRUE(f.collector.waitFor(60));
    EXPECT_EQ(FileLiveDec::runningWorkers(), base + 1);
    f.channel.reset();
    ASSERT_TRUE(workersBackTo(base));
    // two workers over one decoder would skip and repeat pictures
    const std::vector<localtest::Delivered> frames = f.collector.frames();
    for (size_t i = 0; i < 60; ++i) {
        ASSERT_EQ(frames[i].time, static_cast<int64_t>(40 * i));
    }
}

TEST(FileLiveDecTest, ReleasingThePlayingChannelEndsItsWorkerBeforeItReturns) {
    const int base = FileLiveDec::runningWorkers();
    // The callback's state dies with the release, as a host's would: a frame
    // delivered after the release returned would touch freed memory.
    std::unique_ptr<localtest::FrameCollector> collector(new localtest::FrameCollector());
    boost::shared_ptr<FileLiveDec> channel = FileLiveDec::open(kClip);  // the real clock
    ASSERT_TRUE(channel);
    channel->SetCallback(collector->callback(), OV::FrameCallback());
    channel->Start();
    ASSERT_TRUE(collector->waitFor(3));
    EXPECT_EQ(FileLiveDec::runningWorkers(), base + 1);
    boost::weak_ptr<FileLiveDec> weak = channel;
    channel.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(FileLiveDec::runningWorkers(), base);
    collector.reset();
    std::this_thread::sleep_for(milliseconds(100));
}

TEST(FileLiveDecTest, ACallbackMayDropTheLastHandle) {
    const int base = FileLiveDec::runningWorkers();
    Fixture f;
    ASSERT_TRUE(f.channel);
    boost::shared_ptr<FileLiveDec> handle = f.channel;
    f.channel.reset();
    std::atomic<int> calls{0};
    // the worker lets go of the channel it runs on; it cannot wait for itself
    handle->SetCallback(
        [&handle, &calls](OV::StreamFrame*) {
            if (++calls == 3) {
                handle.reset();
            }
        },
        OV::FrameCallback());
    handle->Start();
    ASSERT_TRUE(workersBackTo(base));
    EXPECT_EQ(calls, 3);
}

TEST(FileLiveDecTest, AFileThatCannotBeOpenedGivesNoChannel) {
    EXPECT_FALSE(FileLiveDec::open("/nonexistent/clip.mp4"));
    EXPECT_FALSE(FileLiveDec::open(""));
    // a file without video
    const std::string text = testing::TempDir() + "not_media.txt";
    std::ofstream(text) << "no pictures here\n";
    EXPECT_FALSE(FileLiveDec::open(text));
    std::remove(text.c_str());
}

// Copies the first `bytes` of the clip (all of it for 0).
std::string copyOfClip(const char* name, std::streamsize bytes = 0) {
    const std::string copy = testing::TempDir() + name;
    std::ifstream in(kClip, std::ios::binary);
    std::ofstream out(copy, std::ios::binary);
    if (bytes == 0) {
        out << in.rdbuf();
    } else {
        std::vector<char> head(static_cast<size_t>(bytes));
        in.read(head.data(), bytes);
        out.write(head.data(), in.gcount());
    }
    return copy;
}

TEST(FileLiveDecTest, AFileThatCannotBeReopenedEndsTheWorkerAfterPausedTries) {
    struct Case {
        const char* name;
        std::streamsize bytes;  // of the clip, 0 for all
        bool vanish;            // the file goes once the channel has it open
        size_t frames;
    };
    const Case cases[] = {
        // the open decoder reads on; the loop's end finds the file gone
        {"vanishing", 0, true, 100},
        // the index is whole but the pictures are cut off: every pass is empty
        {"cut short", 4000, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string copy = copyOfClip("file_live_dec_reopen.mp4", c.bytes);
        const int base = FileLiveDec::runningWorkers();
        FileLiveDec::Options options;
        options.reopenTries = 3;
        options.reopenPause = milliseconds(777);
        Fixture f(copy, options);
        ASSERT_TRUE(f.channel);
        if (c.vanish) {
            ASSERT_EQ(::unlink(copy.c_str()), 0);
        }
        f.channel->Start();
        ASSERT_TRUE(workersBackTo(base));
        EXPECT_EQ(f.collector.count(), c.frames);
        int pauses = 0;
        for (const FakeClock::Sleep& s : f.clock->sleeps()) {
            pauses += (s.until - s.from) == milliseconds(777);
        }
        EXPECT_EQ(pauses, 2);  // three tries, a pause between each two
        // the channel itself lives on, silent
        EXPECT_EQ(f.channel->MakeKeyFrame(), 0);
        std::remove(copy.c_str());
    }
}

TEST(FileLiveDecTest, AMissingOrThrowingCallbackLosesFramesButNotTheWorker) {
    const int base = FileLiveDec::runningWorkers();
    {
        Fixture silent;
        ASSERT_TRUE(silent.channel);
        silent.channel->SetCallback(OV::FrameCallback(), OV::FrameCallback());
        silent.channel->Start();
        ASSERT_TRUE(localtest::eventually([&] { return silent.clock->sleeps().size() >= 30; }));
        EXPECT_EQ(FileLiveDec::runningWorkers(), base + 1);
    }
    ASSERT_TRUE(workersBackTo(base));

    Fixture throwing;
    ASSERT_TRUE(throwing.channel);
    std::atomic<int> calls{0};
    throwing.channel->SetCallback(
        [&calls](OV::StreamFrame*) {
            ++calls;
            throw std::runtime_error("host callback failed");
        },
        OV::FrameCallback());
    throwing.channel->Start();
    ASSERT_TRUE(localtest::eventually([&] { return calls >= 30; }));
    throwing.channel.reset();
    ASSERT_TRUE(workersBackTo(base));
}

// A still picture (a JPEG file) plays as a one-picture loop: each pass gives
// the same time stamp, and still the time line and the pacing go on, one
// picture interval per pass, instead of delivering the picture without pause.
TEST(FileLiveDecTest, AOnePictureFileStillAdvancesOnePictureIntervalPerPass) {
    const ovtest::YuvImage image = ovtest::movingPattern(64, 48, 0);
    std::vector<uint8_t> packed(image.y);
    packed.insert(packed.end(), image.u.begin(), image.u.end());
    packed.insert(packed.end(), image.v.begin(), image.v.end());
    boost::shared_ptr<AVC::JpegBuf> jpeg = AVC::yuv420p_to_jpeg(packed.data(), image.width, image.height);
    ASSERT_TRUE(jpeg);
    const std::string still = testing::TempDir() + "file_live_dec_still.jpg";
    std::ofstream(still, std::ios::binary).write(reinterpret_cast<const char*>(jpeg->Data()), jpeg->Size());

    const int base = FileLiveDec::runningWorkers();
    {
        Fixture f(still);
        ASSERT_TRUE(f.channel);
        ASSERT_EQ(f.channel->Start(), 0);
        ASSERT_TRUE(f.collector.waitFor(5));
        f.channel.reset();
        const std::vector<localtest::Delivered> frames = f.collector.frames();
        const std::vector<FakeClock::Sleep> sleeps = f.clock->sleeps();
        ASSERT_GE(sleeps.size(), 5u);
        for (size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(frames[i].time, static_cast<int64_t>(40 * i)) << "pass " << i;
            EXPECT_EQ(sleeps[i].until.count(), sleeps[0].until.count() + static_cast<int64_t>(40 * i)) << "pass " << i;
        }
    }
    ASSERT_TRUE(workersBackTo(base));
    std::remove(still.c_str());
}

// Wall clock: 25 pictures a second within 5% over 4 s. The schedule is
// absolute, so a short stall is caught up; a run that the machine starves for
// longer than a few pictures near the end comes out slow, so a slow run (never
// a fast one) gets one more try before it counts as a fault.
int intervalsInFourSeconds() {
    localtest::FrameCollector collector;
    boost::shared_ptr<FileLiveDec> channel = FileLiveDec::open(kClip);
    EXPECT_TRUE(channel);
    if (!channel) {
        return -1;
    }
    channel->SetCallback(collector.callback(), OV::FrameCallback());
    channel->Start();
    EXPECT_TRUE(collector.waitFor(1));
    const auto first = collector.frames()[0].arrival;
    std::this_thread::sleep_until(first + milliseconds(4000) + milliseconds(300));
    channel.reset();
    int intervals = 0;
    for (const localtest::Delivered& d : collector.frames()) {
        intervals += d.arrival > first && d.arrival <= first + milliseconds(4000);
    }
    return intervals;
}

TEST(FileLiveDecTest, PacesTwentyFivePicturesASecondOnTheWallClock) {
    int intervals = intervalsInFourSeconds();
    EXPECT_LE(intervals, 105);
    if (intervals < 95) {
        intervals = intervalsInFourSeconds();
        EXPECT_LE(intervals, 105);
    }
    EXPECT_GE(intervals, 95);
}

}  // namespace
