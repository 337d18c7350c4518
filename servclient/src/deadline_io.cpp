#include "deadline_io.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include <boost/asio/connect.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <boost/make_shared.hpp>

#include "data_msg.h"

namespace sms {
namespace {

using boost::system::error_code;

// Shared by the waiting caller and the handlers; whichever finishes first wins.
struct Completion {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool ok = false;
    KelMsgPtr answer;

    void finish(bool success, KelMsgPtr msg = KelMsgPtr()) {
        std::lock_guard<std::mutex> lock(mutex);
        if (finished) {
            return;
        }
        finished = true;
        ok = success;
        answer = std::move(msg);
        done.notify_all();
    }

    // True when finished in time; otherwise marks it finished (late handlers
    // change nothing) and the caller closes the socket.
    bool waitFor(int64_t timeoutMs) {
        std::unique_lock<std::mutex> lock(mutex);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!finished) {
            if (done.wait_until(lock, deadline) == std::cv_status::timeout && !finished) {
                finished = true;
                ok = false;
                return false;
            }
        }
        return true;
    }
};

void closeOnItsThread(const SocketPtr& sock) {
    boost::asio::post(sock->get_executor(), [sock] {
        error_code ignored;
        sock->close(ignored);
    });
}

}  // namespace

void noDelay(boost::asio::ip::tcp::socket& sock) {
    error_code ignored;
    sock.set_option(boost::asio::ip::tcp::no_delay(true), ignored);
}

bool connectWithin(const SocketPtr& sock, const boost::asio::ip::tcp::endpoint& endpoint, int64_t timeoutMs) {
    auto state = boost::make_shared<Completion>();
    boost::asio::post(sock->get_executor(), [sock, endpoint, state] {
        sock->async_connect(endpoint, [sock, state](const error_code& ec) {
            if (!ec) {
                noDelay(*sock);
            }
            state->finish(!ec);
        });
    });
    if (!state->waitFor(timeoutMs)) {
        closeOnItsThread(sock);
        return false;
    }
    return state->ok;
}

KelMsgPtr exchangeWithin(const SocketPtr& sock, const KelMsgPtr& request, int64_t timeoutMs) {
    auto state = boost::make_shared<Completion>();
    // the handlers own what the pending operations read into and write from,
    // so a caller that gave up cannot leave them with freed memory
    auto header = boost::make_shared<std::array<uint8_t, kHeaderSize>>();
    boost::asio::post(sock->get_executor(), [sock, request, state, header] {
        boost::asio::async_write(
            *sock, request->outputRanges(), [sock, request, state, header](const error_code& ec, std::size_t) {
                if (ec) {
                    return state->finish(false);
                }
                boost::asio::async_read(
                    *sock, boost::asio::buffer(*header), [sock, state, header](const error_code& ec, std::size_t) {
                        const uint32_t length = ec ? 0 : decodeLength(header->data());
                        if (ec || !lengthInRange(length)) {
                            return state->finish(false);
                        }
                        auto answer = boost::make_shared<DataMsg>(length);
                        boost::asio::async_read(*sock, boost::asio::buffer(answer->payloadArea(), length),
                                                [state, answer](const error_code& ec, std::size_t) {
                                                    state->finish(!ec, ec ? KelMsgPtr() : answer);
                                                });
                    });
            });
    });
    if (!state->waitFor(timeoutMs)) {
        closeOnItsThread(sock);
        return KelMsgPtr();
    }
    return state->ok ? state->answer : KelMsgPtr();
}

}  // namespace sms
