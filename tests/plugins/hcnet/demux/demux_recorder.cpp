#include "demux_recorder.h"

#include <cstdio>
#include <memory>
#include <random>
#include <stdexcept>

#include <gtest/gtest.h>

namespace dmxtest {

hik::EsCallback Recorder::callback() {
    return [this](uint8_t id, const uint8_t* data, int32_t length, uint64_t timeMs, int32_t flag) {
        Delivery delivery{id, std::vector<uint8_t>(data, data + length), timeMs, flag};
        if (before) {
            before(delivery);
        }
        got.push_back(std::move(delivery));
        return 0;
    };
}

void Recorder::failNext(int count) {
    auto left = std::make_shared<int>(count);
    before = [left](const Delivery&) {
        if ((*left)-- > 0) {
            throw std::runtime_error("receiver failed");
        }
    };
}

std::vector<Delivery> Recorder::of(uint8_t id) const {
    std::vector<Delivery> some;
    for (const auto& delivery : got) {
        if (delivery.id == id) {
            some.push_back(delivery);
        }
    }
    return some;
}

std::vector<Chunking> chunkings() {
    auto random = std::make_shared<std::vector<size_t>>();
    std::mt19937 generator(20260517);
    std::uniform_int_distribution<size_t> sizes(1, 5000);
    for (int i = 0; i < 100000; ++i) {
        random->push_back(sizes(generator));
    }
    return {
        {"whole", [](size_t) { return size_t(-1); }},
        {"one byte", [](size_t) { return size_t(1); }},
        {"random", [random](size_t index) { return (*random)[index % random->size()]; }},
        {"188", [](size_t) { return size_t(188); }},
        {"65536", [](size_t) { return size_t(65536); }},
    };
}

void feed(hik::CMpeg2Demux& demux, const std::vector<uint8_t>& bytes, const Chunking& chunking) {
    size_t at = 0;
    for (size_t index = 0; at < bytes.size(); ++index) {
        const size_t count = std::min(chunking.size(index), bytes.size() - at);
        ASSERT_EQ(demux.AddData(bytes.data() + at, int32_t(count)), 0) << chunking.name << " at " << at;
        at += count;
    }
}

PsBuilder& PsBuilder::pack(uint64_t scr, int stuffing) {
    raw({0x00, 0x00, 0x01, 0xBA, uint8_t(0x44 | ((scr >> 27) & 0x38) | ((scr >> 28) & 0x03)), uint8_t(scr >> 20),
         uint8_t(((scr >> 12) & 0xF8) | 0x04 | ((scr >> 13) & 0x03)), uint8_t(scr >> 5),
         uint8_t(((scr << 3) & 0xF8) | 0x04), 0x01, 0x01, 0x89, 0xC3, uint8_t(0xF8 | stuffing)});
    for (int i = 0; i < stuffing; ++i) {
        bytes.push_back(0xFF);
    }
    return *this;
}

PsBuilder& PsBuilder::systemHeader() {
    return raw(
        {0x00, 0x00, 0x01, 0xBB, 0x00, 0x0C, 0x80, 0x01, 0x01, 0x04, 0xE1, 0xFF, 0xE0, 0xE0, 0x80, 0xC0, 0xC0, 0x20});
}

PsBuilder& PsBuilder::map(uint8_t firstStreamType) {
    // no program descriptors, two entries without descriptors, CRC not checked
    return raw({0x00, 0x00, 0x01, 0xBC, 0x00, 0x12, 0xE0, 0xFF, 0x00, 0x00, 0x00, 0x08, firstStreamType,
                0xE0, 0x00, 0x00, 0x0F, 0xC0, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44});
}

PsBuilder& PsBuilder::pes(uint8_t id, const std::vector<uint8_t>& payload, int64_t pts) {
    const size_t headerData = pts >= 0 ? 5 : 0;
    const size_t length = 3 + headerData + payload.size();
    raw({0x00, 0x00, 0x01, id, uint8_t(length >> 8), uint8_t(length), 0x80, uint8_t(pts >= 0 ? 0x80 : 0x00),
         uint8_t(headerData)});
    if (pts >= 0) {
        const uint64_t p = uint64_t(pts);
        raw({uint8_t(0x21 | ((p >> 29) & 0x0E)), uint8_t(p >> 22), uint8_t(((p >> 14) & 0xFE) | 1), uint8_t(p >> 7),
             uint8_t(((p << 1) & 0xFE) | 1)});
    }
    return raw(payload);
}

PsBuilder& PsBuilder::raw(const std::vector<uint8_t>& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return *this;
}

PsBuilder& PsBuilder::padding(size_t size) {
    const size_t length = size - 6;
    raw({0x00, 0x00, 0x01, 0xBE, uint8_t(length >> 8), uint8_t(length)});
    bytes.insert(bytes.end(), length, 0xFF);
    return *this;
}

Pass demuxOnce(const std::vector<uint8_t>& bytes, const Chunking& chunking) {
    Pass pass;
    hik::CMpeg2Demux demux;
    demux.SetEsCBK(pass.recorder.callback());
    testing::internal::CaptureStdout();
    feed(demux, bytes, chunking);
    std::fflush(stdout);
    pass.printed = testing::internal::GetCapturedStdout();
    return pass;
}

}  // namespace dmxtest
