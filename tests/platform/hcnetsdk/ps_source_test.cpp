#include "ps_source.h"

#include <stdexcept>

#include <gtest/gtest.h>

#include <hiksimtest/hik_stream.h>

using hiksim::PsSource;
using hiksimtest::MakeHikStream;
using hiksimtest::PsFrame;

TEST(PsSourceTest, ScrOfAPackHeaderInMilliseconds) {
    // the worked example of a 1000 ms pack header, and the 33-bit extremes
    const uint8_t example[] = {0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x16, 0xFC, 0x84, 0x01};
    EXPECT_EQ(1000, hiksim::packTimeMs(example));
    for (int64_t ms : {int64_t(0), int64_t(40), int64_t(95443717)}) {
        EXPECT_EQ(ms, hiksim::packTimeMs(hiksimtest::PackHeader(ms).data())) << ms;
    }
}

TEST(PsSourceTest, IndexesEveryPackWithItsTime) {
    auto frames = hiksimtest::FakeVideo(5, 1000);
    frames[2].payload.resize(130000, 0x55);  // spans three PES packets
    auto source = PsSource::fromBytes(MakeHikStream(frames), "five");
    ASSERT_EQ(5u, source->packs().size());
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(1000 + 40 * int64_t(k), source->packs()[k].timeMs);
        EXPECT_EQ(40 * int64_t(k), source->dueMs(k));
    }
    EXPECT_EQ(0u, source->packAt(0));
    EXPECT_EQ(2u, source->packAt(source->packs()[3].offset - 1));
    EXPECT_EQ(3u, source->packAt(source->packs()[3].offset));
    EXPECT_EQ(4u, source->packAt(source->bodySize() - 1));
    EXPECT_EQ(200, source->loopMs());
}

TEST(PsSourceTest, AClockSteppingBackDoesNotHurryTheStream) {
    std::vector<PsFrame> frames;
    for (int64_t t : {1000, 1040, 1080, 500, 540}) {
        frames.push_back(PsFrame{t, hiksimtest::FakeAccessUnit(false, 0, 10)});
    }
    auto source = PsSource::fromBytes(MakeHikStream(frames), "steps");
    const int64_t due[] = {0, 40, 80, 80, 80};
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(due[k], source->dueMs(k)) << k;
    }
    EXPECT_EQ(120, source->loopMs());
}

TEST(PsSourceTest, RefusesFilesThatAreNoRecorderStream) {
    const std::vector<std::vector<uint8_t>> bad = {
        {},                            // empty
        std::vector<uint8_t>(39, 0),   // shorter than the header
        std::vector<uint8_t>(100, 0),  // no IMKH
        MakeHikStream({}),             // header without packs
    };
    for (const auto& bytes : bad) {
        EXPECT_THROW(PsSource::fromBytes(bytes, "bad"), std::runtime_error);
    }
    EXPECT_THROW(PsSource::load(hiksimtest::TempDir() + "/missing.ps"), std::runtime_error);
}

TEST(PsSourceTest, GarbageBetweenPacksIsPassedOver) {
    auto bytes = MakeHikStream(hiksimtest::FakeVideo(3));
    auto second = MakeHikStream(hiksimtest::FakeVideo(1, 120));
    bytes.insert(bytes.end(), {0x00, 0x00, 0x01, 0xE0, 0xFF, 0xFF, 0x12});  // a unit whose length leads nowhere
    bytes.insert(bytes.end(), second.begin() + 40, second.end());
    auto source = PsSource::fromBytes(bytes, "garbage");
    ASSERT_EQ(4u, source->packs().size());
    EXPECT_EQ(120, source->packs()[3].timeMs);
}
