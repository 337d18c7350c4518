#include "ps_source.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace hiksim {
namespace {

bool startCodeAt(const uint8_t* b, std::size_t n, std::size_t i) {
    return i + 4 <= n && b[i] == 0 && b[i + 1] == 0 && b[i + 2] == 1;
}

}  // namespace

int64_t packTimeMs(const uint8_t* p) {
    const uint64_t scr = (uint64_t(p[4] & 0x38) << 27) | (uint64_t(p[4] & 0x03) << 28) | (uint64_t(p[5]) << 20) |
                         (uint64_t(p[6] & 0xF8) << 12) | (uint64_t(p[6] & 0x03) << 13) | (uint64_t(p[7]) << 5) |
                         (uint64_t(p[8]) >> 3);
    return int64_t(scr / 90);
}

std::shared_ptr<const PsSource> PsSource::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot open stream file \"" + path + "\"");
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return fromBytes(std::move(bytes), path);
}

std::shared_ptr<const PsSource> PsSource::fromBytes(std::vector<uint8_t> bytes, const std::string& name) {
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), "IMKH", 4) != 0) {
        throw std::runtime_error("\"" + name + "\" does not begin with a 40-byte IMKH header");
    }
    std::shared_ptr<PsSource> source(new PsSource(std::move(bytes), name));
    source->index();
    return source;
}

PsSource::PsSource(std::vector<uint8_t> bytes, std::string name) : bytes_(std::move(bytes)), name_(std::move(name)) {}

void PsSource::index() {
    // Walk the stream unit by unit; where a length does not lead to another
    // start code, fall back to a byte-wise search so that a damaged file still
    // plays from its next good pack.
    const uint8_t* b = body();
    const std::size_t n = bodySize();
    std::size_t i = 0;
    while (i + 4 <= n) {
        if (!startCodeAt(b, n, i)) {
            ++i;
            continue;
        }
        const uint8_t id = b[i + 3];
        if (id == 0xBA) {
            if (i + 14 > n) {
                break;
            }
            packs_.push_back(Pack{i, packTimeMs(&b[i])});
            i += 14 + (b[i + 13] & 7);
        } else if (id > 0xBA && i + 6 <= n) {
            const std::size_t next = i + 6 + ((std::size_t(b[i + 4]) << 8) | b[i + 5]);
            i = (next <= n && (next == n || startCodeAt(b, n, next))) ? next : i + 1;
        } else {
            ++i;
        }
    }
    if (packs_.empty()) {
        throw std::runtime_error("\"" + name_ + "\" holds no program-stream pack");
    }
    // Bytes ahead of the first pack go out with it.
    packs_.front().offset = 0;

    std::vector<int64_t> steps;
    due_.resize(packs_.size());
    for (std::size_t k = 0; k < packs_.size(); ++k) {
        const int64_t t = packs_[k].timeMs - packs_.front().timeMs;
        due_[k] = k == 0 ? 0 : std::max(due_[k - 1], t);
        if (k > 0 && packs_[k].timeMs > packs_[k - 1].timeMs) {
            steps.push_back(packs_[k].timeMs - packs_[k - 1].timeMs);
        }
    }
    // One more typical step after the last pack, so a looping clip keeps its rhythm.
    int64_t step = 40;
    if (!steps.empty()) {
        std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
        step = steps[steps.size() / 2];
    }
    loopMs_ = due_.back() + step;
}

std::size_t PsSource::packAt(std::size_t offset) const {
    auto it = std::upper_bound(packs_.begin(), packs_.end(), offset,
                               [](std::size_t off, const Pack& p) { return off < p.offset; });
    return it == packs_.begin() ? 0 : std::size_t(it - packs_.begin()) - 1;
}

}  // namespace hiksim
