#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "ps_source.h"

namespace hiksim {

// Sends a recorder stream to one receiver from a thread of its own, as the
// vendor library does: the 40-byte header once, then the packs in blocks of
// varying size, paced by the packs' clock (or as fast as the receiver takes
// them), starting again at the first pack after the last.
class StreamPump {
public:
    typedef std::function<void(uint32_t dataType, uint8_t* data, uint32_t size)> Receiver;

    StreamPump(std::shared_ptr<const PsSource> source, bool realTime, uint32_t seed, Receiver receiver);
    ~StreamPump();  // stops
    StreamPump(const StreamPump&) = delete;
    StreamPump& operator=(const StreamPump&) = delete;

    void start();
    // When stop returns, the receiver is not running and will not run again,
    // unless stop is called from inside the receiver: then the thread ends as
    // soon as the receiver returns.
    void stop();

    // Receiver calls so far.
    int64_t delivered() const;
    // Exceptions the receiver let out (they are swallowed to keep the thread alive).
    static int64_t escapedExceptions();

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace hiksim
