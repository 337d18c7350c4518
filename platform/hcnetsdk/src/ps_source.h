#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hiksim {

// A recorder's stream as a file: the 40-byte "IMKH" header, then program-stream
// packs. The packs are indexed with their system clock reference so that a
// play can pace the stream as the device would send it.
class PsSource {
public:
    static const std::size_t kHeaderSize = 40;

    struct Pack {
        std::size_t offset;  // into body()
        int64_t timeMs;      // SCR base / 90
    };

    // Throws std::runtime_error with a readable reason.
    static std::shared_ptr<const PsSource> load(const std::string& path);
    static std::shared_ptr<const PsSource> fromBytes(std::vector<uint8_t> bytes, const std::string& name);

    const std::string& name() const { return name_; }
    const uint8_t* header() const { return bytes_.data(); }
    const uint8_t* body() const { return bytes_.data() + kHeaderSize; }
    std::size_t bodySize() const { return bytes_.size() - kHeaderSize; }
    const std::vector<Pack>& packs() const { return packs_; }

    // Index of the pack holding body byte `offset`.
    std::size_t packAt(std::size_t offset) const;
    // Milliseconds after the first pack at which pack `index` is due, never
    // less than that of an earlier pack (a clock that steps back does not
    // make the device send faster).
    int64_t dueMs(std::size_t index) const { return due_[index]; }
    // Time one pass through the file takes before it starts again.
    int64_t loopMs() const { return loopMs_; }

private:
    PsSource(std::vector<uint8_t> bytes, std::string name);
    void index();

    std::vector<uint8_t> bytes_;
    std::string name_;
    std::vector<Pack> packs_;
    std::vector<int64_t> due_;
    int64_t loopMs_ = 0;
};

// The 33-bit SCR base of the pack header at p (at least 10 bytes) in ms.
int64_t packTimeMs(const uint8_t* p);

}  // namespace hiksim
