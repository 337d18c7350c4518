#include "kel_session.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include <boost/asio/post.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <boost/make_shared.hpp>
#include <boost/thread/lock_guard.hpp>

#include "bson_fields.h"
#include "data_msg.h"
#include "ios_pools.h"
#include "kel_documents.h"
#include "server_address.h"

namespace sms {

using boost::asio::ip::tcp;
using boost::system::error_code;

namespace {

void closeQuietly(const SocketPtr& sock) {
    error_code ignored;
    sock->shutdown(tcp::socket::shutdown_both, ignored);
    sock->close(ignored);
}

}  // namespace

KelSession::KelSession(IoContextPtr net, IoContextPtr work)
    : net_(std::move(net)),
      work_(std::move(work)),
      readAhead_(boost::make_shared<ReadAhead>()),
      lastHeartbeat_(KelClock::now()),
      processTime_(boost::make_shared<ProcessTime>()) {}

boost::shared_ptr<KelSession> KelSession::create() {
    IoContextPtr work = workIosMan()->service();
    IoContextPtr net = netIosMan()->next();
    boost::shared_ptr<KelSession> session(new KelSession(net, work));
    const boost::weak_ptr<KelSession> weak(session);
    // Freeing a lane restarts its loop on the network thread; a loop with
    // nothing to do (no socket, empty queue) ends at once.
    session->readLane_ = boost::make_shared<SockTokenM>([weak] {
        if (auto s = weak.lock()) {
            s->postToNet([](KelSession& self) { self.startReading(); });
        }
    });
    session->writeLane_ = boost::make_shared<SockTokenM>([weak] {
        if (auto s = weak.lock()) {
            s->postToNet([](KelSession& self) { self.writeNext(); });
        }
    });
    return session;
}

KelSession::~KelSession() {
    // The socket and the timer belong to the network thread; they are closed
    // there, which also ends any operation still pending on them.
    SocketPtr sock = socket_;
    boost::shared_ptr<boost::asio::steady_timer> heartbeat = heartbeat_;
    if (sock || heartbeat) {
        try {
            boost::asio::post(*net_, [sock, heartbeat] {
                if (sock) {
                    closeQuietly(sock);
                }
                if (heartbeat) {
                    heartbeat->cancel();
                }
            });
        } catch (...) {
        }
    }
}

template <class F>
void KelSession::postToNet(F f) {
    const boost::weak_ptr<KelSession> weak(shared_from_this());
    boost::asio::post(*net_, [weak, f] {
        if (auto s = weak.lock()) {
            try {
                f(*s);
            } catch (...) {
            }
        }
    });
}

int32_t KelSession::login(const std::string& address, const std::string& user, const std::string& passw) {
    if (loginStarted_.exchange(true)) {
        return -1;
    }
    try {
        postToNet([](KelSession& self) { self.startMeter(); });
        address_ = address;
        user_ = user;
        passw_ = passw;
        endpoint_ = parseServerAddress(address);
        auto sock = boost::make_shared<tcp::socket>(*net_);
        if (!connectWithin(sock, endpoint_, kConnectTimeoutMs)) {
            return -1;
        }
        const KelMsgPtr answer = exchangeWithin(sock, makeMsg(loginDoc(nextSn(), user, passw)), kRequestTimeoutMs);
        const int32_t code = answerCode(answer);
        if (code != 0) {
            boost::asio::post(*net_, [sock] { closeQuietly(sock); });
            return code;
        }
        postToNet([sock](KelSession& self) {
            self.socket_ = sock;
            self.connected_ = true;
            self.lastHeartbeat_ = KelClock::now();
            self.startReading();
            self.armHeartbeat();
            self.writeNext();
        });
        return 0;
    } catch (...) {
        // a host that is not a numeric address, or no resources
        return -1;
    }
}

KelMsgPtr KelSession::request(const KelMsgPtr& msg, int64_t timeoutMs) {
    const boost::optional<int32_t> sn = int32Of(msg->document(), "sn");
    if (!sn) {
        return KelMsgPtr();
    }
    auto waiter = boost::make_shared<TimeOutMsgWarp>(timeoutMs);
    {
        boost::lock_guard<boost::mutex> lock(waitersMutex_);
        waiters_[*sn] = waiter;
    }
    send(msg);
    KelMsgPtr answer;
    {
        std::unique_lock<std::mutex> lock(waiter->mutex);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        // a spurious wake-up waits again for the rest of the time-out
        while (!waiter->answer && waiter->arrived.wait_until(lock, deadline) != std::cv_status::timeout) {
        }
        answer = waiter->answer;
    }
    boost::lock_guard<boost::mutex> lock(waitersMutex_);
    auto it = waiters_.find(*sn);
    if (it != waiters_.end() && it->second == waiter) {
        waiters_.erase(it);
    }
    return answer;
}

void KelSession::send(const KelMsgPtr& msg) {
    postToNet([msg](KelSession& self) { self.enqueue(msg); });
}

void KelSession::enqueue(const KelMsgPtr& msg) {
    queue_.push_back(msg);
    writeNext();
}

void KelSession::writeNext() {
    if (!socket_ || queue_.empty()) {
        return;
    }
    SockTokenPtr token = writeLane_->acquire();
    if (!token) {
        return;  // a write is in flight; its end starts the next one
    }
    // Frames queued meanwhile go out together, each whole and in order: one
    // system call instead of one per frame when several threads send at once.
    auto batch = boost::make_shared<std::vector<KelMsgPtr>>();
    std::vector<boost::asio::const_buffer> ranges;
    std::size_t bytes = 0;
    while (!queue_.empty() && batch->size() < kWriteBatchFrames && (batch->empty() || bytes < kWriteBatchBytes)) {
        batch->push_back(queue_.front());
        queue_.pop_front();
        for (const auto& range : batch->back()->outputRanges()) {
            ranges.push_back(range);
            bytes += range.size();
        }
    }
    const SocketPtr sock = socket_;
    const boost::weak_ptr<KelSession> weak(shared_from_this());
    boost::asio::async_write(*sock, ranges, [weak, sock, batch, token](const error_code& ec, std::size_t) mutable {
        if (auto s = weak.lock()) {
            s->onWritten(ec, sock, std::move(token));
        }
    });
}

void KelSession::onWritten(const error_code& ec, const SocketPtr& sock, SockTokenPtr token) {
    if (!ec || sock != socket_) {
        return;
    }
    dropSocket();
    // frames lost this way leave their requests to the time-out
    queue_.clear();
    token.reset();
    disconnect();
}

void KelSession::startReading() {
    if (!socket_) {
        return;
    }
    SockTokenPtr token = readLane_->acquire();
    if (!token) {
        return;  // a frame is still being read or delivered
    }
    readHeader(socket_, std::move(token));
}

void KelSession::readHeader(const SocketPtr& sock, SockTokenPtr token) {
    if (readAhead_->available() >= kHeaderSize) {
        return onHeader(sock, std::move(token));
    }
    const auto buffer = readAhead_;
    uint8_t* space = buffer->space();  // first: it moves the buffered bytes to the front
    const std::size_t spaceSize = buffer->spaceSize();
    const boost::weak_ptr<KelSession> weak(shared_from_this());
    // the handler keeps the buffer: the read may complete after the session ended
    boost::asio::async_read(*sock, boost::asio::buffer(space, spaceSize),
                            boost::asio::transfer_at_least(kHeaderSize - buffer->available()),
                            [weak, sock, buffer, token](const error_code& ec, std::size_t n) mutable {
                                if (auto s = weak.lock()) {
                                    s->onReadAhead(ec, n, sock, std::move(token));
                                }
                            });
}

void KelSession::onReadAhead(const error_code& ec, std::size_t n, const SocketPtr& sock, SockTokenPtr token) {
    if (sock != socket_) {
        return;  // the connection was given up meanwhile; so are its bytes
    }
    if (ec) {
        return connectionBroken(sock, std::move(token));
    }
    readAhead_->filled(n);
    onHeader(sock, std::move(token));
}

void KelSession::onHeader(const SocketPtr& sock, SockTokenPtr token) {
    const uint8_t* header = readAhead_->data();
    const uint32_t length = decodeLength(header);
    // checked before anything is allocated for the payload
    if (!hasMagic(header) || !lengthInRange(length)) {
        return connectionBroken(sock, std::move(token));
    }
    readAhead_->consume(kHeaderSize);
    auto msg = boost::make_shared<DataMsg>(length);
    const std::size_t have = std::min<std::size_t>(length, readAhead_->available());
    std::memcpy(msg->payloadArea(), readAhead_->data(), have);
    readAhead_->consume(have);
    if (have == length) {
        return onPayload(error_code(), sock, std::move(token), msg);
    }
    const boost::weak_ptr<KelSession> weak(shared_from_this());
    boost::asio::async_read(*sock, boost::asio::buffer(msg->payloadArea() + have, length - have),
                            [weak, sock, token, msg](const error_code& ec, std::size_t) mutable {
                                if (auto s = weak.lock()) {
                                    s->onPayload(ec, sock, std::move(token), msg);
                                }
                            });
}

void KelSession::onPayload(const error_code& ec, const SocketPtr& sock, SockTokenPtr token, const KelMsgPtr& msg) {
    if (sock != socket_) {
        return;
    }
    if (ec) {
        return connectionBroken(sock, std::move(token));
    }
    try {
        dispatch(msg, token);
    } catch (...) {
        // the frame is dropped; reading goes on when the token is released
    }
}

void KelSession::dispatch(const KelMsgPtr& msg, const SockTokenPtr& token) {
    auto helper = boost::make_shared<ProcessTimeHelper>(processTime_);
    const bson_t* doc = msg->document();
    const boost::optional<int32_t> fcode = int32Of(doc, "fcode");
    if (!fcode) {
        return;
    }
    switch (routeOf(*fcode)) {
        case Route::Heartbeat:
            lastHeartbeat_ = KelClock::now();
            break;
        case Route::Answer:
            // Handing an answer over is a look-up and a wake-up, no
            // application code: done right here it saves two thread hops per
            // request, and the frame is still handled before the next is read.
            deliverAnswer(msg);
            break;
        case Route::Media: {
            total_ += doc->len;
            DataCallback callback;
            {
                boost::lock_guard<boost::mutex> lock(callbackMutex_);
                callback = dataCallback_;
            }
            // The token travels with the frame: nothing more is read until the
            // consumer is done with it, so a slow consumer slows the server
            // through TCP instead of filling memory.
            boost::asio::post(*work_, [callback, msg, token, helper] { deliverMedia(callback, msg); });
            break;
        }
        case Route::Ignore:
            break;
    }
}

void KelSession::deliverAnswer(const KelMsgPtr& msg) {
    try {
        const boost::optional<int32_t> sn = int32Of(msg->document(), "sn");
        if (!sn) {
            return;  // nobody can be waiting for it
        }
        boost::shared_ptr<TimeOutMsgWarp> waiter;
        {
            boost::lock_guard<boost::mutex> lock(waitersMutex_);
            auto it = waiters_.find(*sn);
            if (it == waiters_.end()) {
                return;  // its request timed out already
            }
            waiter = it->second;
            waiters_.erase(it);
        }
        {
            std::lock_guard<std::mutex> lock(waiter->mutex);
            waiter->answer = msg;
        }
        // notified after the unlock, so the woken thread does not run into the lock
        waiter->arrived.notify_one();
    } catch (...) {
    }
}

void KelSession::deliverMedia(const DataCallback& callback, const KelMsgPtr& msg) {
    try {
        KelStream frame;
        if (!callback || !mediaFrameOf(msg->document(), &frame)) {
            return;  // a malformed frame is dropped; the stream goes on
        }
        callback(&frame);
    } catch (...) {
        // whatever the consumer throws ends with this frame
    }
}

void KelSession::connectionBroken(const SocketPtr& sock, SockTokenPtr token) {
    // Whoever drops the socket asks for the re-connection, once.
    const bool current = sock == socket_;
    if (current) {
        dropSocket();
    }
    // the lane is free before the attempt asks for it
    token.reset();
    if (current) {
        disconnect();
    }
}

void KelSession::dropSocket() {
    if (socket_) {
        closeQuietly(socket_);
        socket_.reset();
    }
    readAhead_->clear();
    connected_ = false;
}

void KelSession::disconnect() {
    // Through the network thread first: operations aborted by a close just
    // done release their lanes there before the attempt asks for them.
    postToNet([](KelSession& self) {
        const boost::weak_ptr<KelSession> weak(self.shared_from_this());
        boost::asio::post(*self.work_, [weak] {
            if (auto s = weak.lock()) {
                try {
                    s->reconnect();
                } catch (...) {
                }
            }
        });
    });
}

void KelSession::reconnect() {
    if (connected_) {
        return;  // an earlier attempt got through
    }
    DisconnectNotice notice;
    {
        boost::lock_guard<boost::mutex> lock(callbackMutex_);
        notice = disconnectNotice_;
    }
    if (notice) {
        try {
            notice();
        } catch (...) {
        }
    }
    // Both lanes, or nothing: an earlier read or write is still being
    // finished, and the next heartbeat tick tries again.
    SockTokenPtr readToken = readLane_->acquire();
    if (!readToken) {
        return;
    }
    SockTokenPtr writeToken = writeLane_->acquire();
    if (!writeToken) {
        return;
    }
    const tcp::endpoint endpoint = parseServerAddress(address_);
    auto sock = boost::make_shared<tcp::socket>(*net_);
    auto deadline = boost::make_shared<boost::asio::steady_timer>(*net_);
    const boost::weak_ptr<KelSession> weak(shared_from_this());
    const IoContextPtr work = work_;
    boost::asio::post(*net_, [sock, deadline, endpoint, weak, work, readToken, writeToken] {
        // an unreachable host must not hold the lanes for minutes
        deadline->expires_after(std::chrono::milliseconds(kConnectTimeoutMs));
        deadline->async_wait([sock](const error_code& ec) {
            if (!ec) {
                error_code ignored;
                sock->close(ignored);
            }
        });
        sock->async_connect(endpoint, [weak, sock, deadline, work, readToken, writeToken](const error_code& ec) {
            deadline->cancel();
            if (ec) {
                return;
            }
            noDelay(*sock);
            boost::asio::post(*work, [weak, sock, readToken, writeToken] {
                if (auto s = weak.lock()) {
                    try {
                        s->finishReconnect(sock, readToken, writeToken);
                    } catch (...) {
                    }
                }
            });
        });
    });
}

void KelSession::finishReconnect(const SocketPtr& sock, const SockTokenPtr& readToken, const SockTokenPtr& writeToken) {
    const KelMsgPtr answer = exchangeWithin(sock, makeMsg(loginDoc(nextSn(), user_, passw_)), kRequestTimeoutMs);
    if (answerCode(answer) != 0) {
        boost::asio::post(*net_, [sock] { closeQuietly(sock); });
        return;
    }
    Resubscribe resubscribe;
    {
        boost::lock_guard<boost::mutex> lock(callbackMutex_);
        resubscribe = resubscribe_;
    }
    if (resubscribe && resubscribe(sock) != 0) {
        boost::asio::post(*net_, [sock] { closeQuietly(sock); });
        return;
    }
    // The tokens go with the installing step: their release restarts reading
    // and writing on the new socket right after it is in place.
    postToNet([sock, readToken, writeToken](KelSession& self) {
        self.readAhead_->clear();
        self.socket_ = sock;
        self.connected_ = true;
        self.lastHeartbeat_ = KelClock::now();
    });
}

void KelSession::armHeartbeat() {
    if (!heartbeat_) {
        heartbeat_ = boost::make_shared<boost::asio::steady_timer>(*net_);
    }
    heartbeat_->expires_after(std::chrono::milliseconds(kHeartbeatMs));
    const boost::weak_ptr<KelSession> weak(shared_from_this());
    heartbeat_->async_wait([weak](const error_code& ec) {
        if (ec) {
            return;
        }
        if (auto s = weak.lock()) {
            try {
                s->onHeartbeat();
            } catch (...) {
            }
        }
    });
}

void KelSession::onHeartbeat() {
    armHeartbeat();
    const KelClock::time_point now = KelClock::now();
    const auto silence =
        std::chrono::duration_cast<std::chrono::microseconds>(now - lastHeartbeat_) - processTime_->processing(now);
    if (!socket_) {
        disconnect();
        return;
    }
    if (silence.count() / 1000 > kSilenceLimitMs) {
        // Closing ends the read still pending on the silent connection, which
        // would otherwise hold the read lane and stop every attempt there.
        dropSocket();
        disconnect();
        return;
    }
    enqueue(makeMsg(heartbeatDoc(nextSn())));
}

void KelSession::startMeter() {
    auto timer = boost::make_shared<boost::asio::steady_timer>(*net_);
    const boost::weak_ptr<KelSession> weak(shared_from_this());
    // The timer is no member: its own pending wait keeps it, and it ends at
    // the first tick after the session.
    struct Tick {
        static void arm(const boost::weak_ptr<KelSession>& weak,
                        const boost::shared_ptr<boost::asio::steady_timer>& timer) {
            timer->expires_at(timer->expiry() + std::chrono::milliseconds(kMeterMs));
            timer->async_wait([weak, timer](const error_code& ec) {
                if (ec) {
                    return;
                }
                if (auto s = weak.lock()) {
                    s->onMeter();
                    arm(weak, timer);
                }
            });
        }
    };
    timer->expires_at(KelClock::now());
    Tick::arm(weak, timer);
}

void KelSession::onMeter() {
    const int64_t total = total_.load();
    // low 32 bits, modulo 2^32
    rate_ = static_cast<int32_t>(static_cast<uint32_t>(total) - static_cast<uint32_t>(meterTotal_));
    meterTotal_ = total;
}

void KelSession::setDataCallback(DataCallback callback) {
    boost::lock_guard<boost::mutex> lock(callbackMutex_);
    dataCallback_ = std::move(callback);
}

void KelSession::setResubscribe(Resubscribe resubscribe) {
    boost::lock_guard<boost::mutex> lock(callbackMutex_);
    resubscribe_ = std::move(resubscribe);
}

void KelSession::setDisconnectNotice(DisconnectNotice notice) {
    boost::lock_guard<boost::mutex> lock(callbackMutex_);
    disconnectNotice_ = std::move(notice);
}

std::size_t KelSession::waiterCount() const {
    boost::lock_guard<boost::mutex> lock(waitersMutex_);
    return waiters_.size();
}

}  // namespace sms
