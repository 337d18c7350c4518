#include "stream_pump.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace hiksim {
namespace {

std::atomic<int64_t> g_escaped{0};

// Block sizes: mostly a few kilobytes, now and then a handful of bytes, so a
// consumer meets packs cut anywhere, even inside a start code.
class ChunkSizes {
public:
    explicit ChunkSizes(uint32_t seed) : x_(seed | 1u) {}
    std::size_t next() {
        x_ ^= x_ << 13;
        x_ ^= x_ >> 17;
        x_ ^= x_ << 5;
        return (x_ & 7) == 0 ? 1 + (x_ >> 8) % 64 : 512 + (x_ >> 8) % 7681;
    }

private:
    uint32_t x_;
};

}  // namespace

struct StreamPump::State {
    std::shared_ptr<const PsSource> source;
    bool realTime;
    uint32_t seed;
    Receiver receiver;

    std::mutex mutex;
    std::condition_variable wake;
    std::atomic<bool> stopping{false};
    std::atomic<int64_t> delivered{0};
    std::thread thread;
    std::vector<uint8_t> scratch;

    void deliver(uint32_t type, const uint8_t* data, std::size_t size) {
        // The receiver gets a copy: it may write into its block, and the file
        // image is shared by every play of that stream.
        scratch.assign(data, data + size);
        ++delivered;
        try {
            receiver(type, scratch.data(), uint32_t(size));
        } catch (...) {
            ++g_escaped;
        }
    }

    // False when stopped while waiting.
    bool waitUntil(std::chrono::steady_clock::time_point due) {
        std::unique_lock<std::mutex> lock(mutex);
        return !wake.wait_until(lock, due, [this] { return stopping.load(); });
    }

    void run() {
        const PsSource& s = *source;
        deliver(1, s.header(), PsSource::kHeaderSize);
        ChunkSizes sizes(seed);
        const auto t0 = std::chrono::steady_clock::now();
        for (int64_t pass = 0;; ++pass) {
            std::size_t pos = 0;
            while (pos < s.bodySize()) {
                if (stopping) {
                    return;
                }
                std::size_t size = std::min(sizes.next(), s.bodySize() - pos);
                if (realTime) {
                    // a block leaves once the last pack it touches is due
                    const int64_t dueMs = pass * s.loopMs() + s.dueMs(s.packAt(pos + size - 1));
                    if (!waitUntil(t0 + std::chrono::milliseconds(dueMs))) {
                        return;
                    }
                } else {
                    std::this_thread::yield();
                }
                deliver(2, s.body() + pos, size);
                pos += size;
            }
        }
    }
};

StreamPump::StreamPump(std::shared_ptr<const PsSource> source, bool realTime, uint32_t seed, Receiver receiver)
    : state_(std::make_shared<State>()) {
    state_->source = std::move(source);
    state_->realTime = realTime;
    state_->seed = seed;
    state_->receiver = std::move(receiver);
}

StreamPump::~StreamPump() {
    stop();
}

void StreamPump::start() {
    // the thread keeps the state alive, so a pump stopped from inside its own
    // receiver can still finish its loop after the owner is gone
    std::shared_ptr<State> state = state_;
    state_->thread = std::thread([state] { state->run(); });
}

void StreamPump::stop() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stopping = true;
    }
    state_->wake.notify_all();
    if (!state_->thread.joinable()) {
        return;
    }
    if (state_->thread.get_id() == std::this_thread::get_id()) {
        state_->thread.detach();
    } else {
        state_->thread.join();
    }
}

int64_t StreamPump::delivered() const {
    return state_->delivered;
}

int64_t StreamPump::escapedExceptions() {
    return g_escaped;
}

}  // namespace hiksim
