#pragma once

// Small Hikvision-style program streams for tests: the 40-byte "IMKH" header,
// then one pack per frame (pack header, a stream map before key frames, the
// payload in PES packets with a PTS). Times are chosen freely, so a test can
// make the clock jump.

#include <cstdint>
#include <string>
#include <vector>

namespace hiksimtest {

struct PsFrame {
    int64_t timeMs;
    std::vector<uint8_t> payload;
    bool key = false;
    uint8_t streamId = 0xE0;  // 0xC0 for audio
};

std::vector<uint8_t> MakeHikStream(const std::vector<PsFrame>& frames);

// 14-byte MPEG-2 pack header whose SCR base is timeMs * 90.
std::vector<uint8_t> PackHeader(int64_t timeMs);

// A stand-in H.264 access unit: a start code, an IDR (key) or non-IDR slice
// NAL header, then `size` bytes that carry `index` so frames can be told
// apart (no 00 00 sequences, so no start code is imitated).
std::vector<uint8_t> FakeAccessUnit(bool key, int index, std::size_t size);

// frames at 25 per second from startMs, a key frame every `gop`
std::vector<PsFrame> FakeVideo(int count, int64_t startMs = 0, int gop = 25, std::size_t size = 1500);

// A folder of its own under the temporary folder, made on first use and
// removed when the program ends.
const std::string& TempDir();
std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);

}  // namespace hiksimtest
