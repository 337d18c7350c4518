#include "sps_reader.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Composes an SPS bit by bit, for the layouts the encoders at hand do not make.
class SpsBits {
public:
    SpsBits& bits(uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            bit((value >> i) & 1);
        }
        return *this;
    }
    SpsBits& ue(uint32_t value) {
        const uint64_t coded = uint64_t(value) + 1;
        int length = 0;
        while ((coded >> (length + 1)) != 0) {
            ++length;
        }
        for (int i = 0; i < length; ++i) {
            bit(0);
        }
        for (int i = length; i >= 0; --i) {
            bit(int((coded >> i) & 1));
        }
        return *this;
    }
    std::vector<uint8_t> bytes() {
        std::vector<uint8_t> out = bytes_;
        if (used_ != 0) {
            out.push_back(uint8_t((current_ << 1 | 1) << (7 - used_)));  // stop bit
        } else {
            out.push_back(0x80);
        }
        return out;
    }

private:
    void bit(int value) {
        current_ = uint8_t(current_ << 1 | value);
        if (++used_ == 8) {
            bytes_.push_back(current_);
            current_ = 0;
            used_ = 0;
        }
    }
    std::vector<uint8_t> bytes_;
    uint8_t current_ = 0;
    int used_ = 0;
};

struct SpsCase {
    const char* name;
    std::vector<uint8_t> nal;  // NAL header first
    uint32_t width;
    uint32_t height;
};

std::vector<SpsCase> cases() {
    std::vector<SpsCase> all;
    // ffmpeg -f lavfi -i testsrc=size=1920x1080 -frames:v 1 -c:v libx264 -profile:v high -f h264 -
    all.push_back({"x264 1080p High",
                   {0x67, 0x64, 0x00, 0x28, 0xAC, 0xD9, 0x40, 0x78, 0x02, 0x27, 0xE5, 0xC0, 0x44, 0x00,
                    0x00, 0x03, 0x00, 0x04, 0x00, 0x00, 0x03, 0x00, 0xC8, 0x3C, 0x60, 0xC6, 0x58},
                   1920,
                   1088});
    // the same with testsrc=size=352x288 and -profile:v baseline
    all.push_back({"x264 CIF Baseline",
                   {0x67, 0x42, 0xC0, 0x0D, 0xD9, 0x01, 0x60, 0x96, 0xC0, 0x44, 0x00, 0x00,
                    0x03, 0x00, 0x04, 0x00, 0x00, 0x03, 0x00, 0xC8, 0x3C, 0x50, 0xA9, 0x20},
                   352,
                   288});
    SpsBits pocType1;
    pocType1.bits(0x67, 8).bits(77, 8).bits(0, 8).bits(30, 8).ue(0).ue(0).ue(1);
    pocType1.bits(0, 1).ue(3).ue(4).ue(2).ue(5).ue(6).ue(2).bits(0, 1).ue(44).ue(35);
    all.push_back({"picture order type 1", pocType1.bytes(), 720, 576});
    SpsBits chroma444;
    chroma444.bits(0x67, 8).bits(144, 8).bits(0, 8).bits(40, 8).ue(1).ue(3).bits(0, 1).ue(2).ue(2);
    chroma444.bits(0, 1).bits(1, 1).bits(0xA5, 8).ue(0).ue(0).ue(4).ue(3).bits(0, 1).ue(79).ue(44);
    all.push_back({"4:4:4 with scaling matrix flag", chroma444.bytes(), 1280, 720});
    return all;
}

TEST(SpsReaderTest, ReadsSizeInWholeMacroblocks) {
    for (const auto& c : cases()) {
        SCOPED_TRACE(c.name);
        psmux::SpsSize size = {};
        ASSERT_TRUE(psmux::readSpsSize(c.nal.data(), c.nal.size(), &size));
        EXPECT_EQ(size.width, c.width);
        EXPECT_EQ(size.height, c.height);
    }
}

// Each prefix sits in a heap block of exactly its size, so the sanitizer
// catches any byte read past it; a prefix that cuts off the size fails.
TEST(SpsReaderTest, NeverReadsPastItsBytes) {
    for (const auto& c : cases()) {
        SCOPED_TRACE(c.name);
        bool complete = false;
        for (size_t length = 0; length <= c.nal.size(); ++length) {
            std::unique_ptr<uint8_t[]> exact(new uint8_t[length ? length : 1]);
            std::copy(c.nal.begin(), c.nal.begin() + long(length), exact.get());
            psmux::SpsSize size = {};
            const bool read = psmux::readSpsSize(exact.get(), length, &size);
            // once the size is in, longer prefixes read it too
            EXPECT_TRUE(read || !complete) << length;
            complete = complete || read;
            if (read) {
                EXPECT_EQ(size.width, c.width);
            }
        }
        EXPECT_TRUE(complete);
    }
}

TEST(SpsReaderTest, EndlessCodesAndCountsFail) {
    std::vector<uint8_t> zeros(64, 0x00);
    zeros[0] = 0x67;
    zeros[1] = 66;
    psmux::SpsSize size = {};
    EXPECT_FALSE(psmux::readSpsSize(zeros.data(), zeros.size(), &size));

    // a cycle count of 2^32 - 2 with a handful of bytes behind it
    SpsBits hugeCycle;
    hugeCycle.bits(0x67, 8).bits(66, 8).bits(0, 8).bits(30, 8).ue(0).ue(0).ue(1).bits(0, 1).ue(0).ue(0);
    hugeCycle.ue(0xFFFFFFFE).ue(1).ue(1);
    const auto bytes = hugeCycle.bytes();
    EXPECT_FALSE(psmux::readSpsSize(bytes.data(), bytes.size(), &size));
}

}  // namespace
