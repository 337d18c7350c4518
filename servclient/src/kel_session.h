#pragma once

// One connection to the management server with everything that keeps it
// useful: the login, the outgoing queue, the endless reader, answers matched
// to their requests by "sn", the heartbeat, the transfer meter and automatic
// re-connection. A login handle owns one session; every live stream and every
// playback opens a session of its own with the same credentials.
//
// Threads: socket work, timers, the queue and the dispatch of incoming frames
// run on the session's network thread; answers, media and re-connection on
// the worker pool; requests block the calling thread. Asynchronous steps hold
// the session weakly, so the session ends with its last owner.

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/enable_shared_from_this.hpp>
#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/thread/mutex.hpp>
#include <boost/weak_ptr.hpp>

#include "deadline_io.h"
#include "frame_header.h"
#include "kel_msg.h"
#include "kel_stream.h"
#include "net_ios_man.h"
#include "process_time.h"
#include "read_ahead.h"
#include "sock_token.h"
#include "time_out_msg_warp.h"

namespace sms {

class KelSession : public boost::enable_shared_from_this<KelSession> {
public:
    typedef boost::function<void(KelStream*)> DataCallback;
    // Given the new socket after a re-connection (logged in, not yet reading),
    // asks for the stream again; 0 = success, else the connection is dropped.
    typedef boost::function<int32_t(const SocketPtr&)> Resubscribe;
    // Called at the start of every re-connection attempt.
    typedef boost::function<void()> DisconnectNotice;

    static constexpr int64_t kRequestTimeoutMs = 5000;  // every request, and the login exchange
    static constexpr int64_t kConnectTimeoutMs = 5000;
    static constexpr int64_t kHeartbeatMs = 5000;
    static constexpr int64_t kSilenceLimitMs = 15000;
    static constexpr int64_t kMeterMs = 1000;
    // at most this many queued frames, or frames past this many bytes, per write
    static constexpr std::size_t kWriteBatchFrames = 32;  // two ranges each: one gathered send
    static constexpr std::size_t kWriteBatchBytes = 64 * 1024;

    // Takes the next network service; throws std::runtime_error while the
    // pools are not running.
    static boost::shared_ptr<KelSession> create();
    ~KelSession();
    KelSession(const KelSession&) = delete;
    KelSession& operator=(const KelSession&) = delete;

    // Connects and logs in ("host[:port]", default port 6888). 0, the
    // server's non-zero "retcode", or -1 (bad address, no connection, no
    // answer within the time-out, an answer without an int32 "retcode").
    // Blocking; once per session.
    int32_t login(const std::string& address, const std::string& user, const std::string& passw);

    // Serial numbers of this session: 0, 1, 2, ...
    int32_t nextSn() { return sn_.fetch_add(1); }
    // Sends a request carrying an int32 "sn" and waits for the answer with the
    // same "sn"; null after the time-out. Blocking.
    KelMsgPtr request(const KelMsgPtr& msg, int64_t timeoutMs = kRequestTimeoutMs);
    // Queues a frame without waiting for anything. A frame queued while the
    // connection is down is written once it is back.
    void send(const KelMsgPtr& msg);

    void setDataCallback(DataCallback callback);
    void setResubscribe(Resubscribe resubscribe);
    void setDisconnectNotice(DisconnectNotice notice);

    // As given to login; fixed from then on.
    const std::string& address() const { return address_; }
    const std::string& user() const { return user_; }
    const std::string& passw() const { return passw_; }

    int64_t totalBytes() const { return total_.load(); }
    int32_t bytesPerSecond() const { return rate_.load(); }
    bool connected() const { return connected_.load(); }
    std::size_t waiterCount() const;
    const IoContextPtr& netService() const { return net_; }

private:
    KelSession(IoContextPtr net, IoContextPtr work);

    template <class F>
    void postToNet(F f);
    void enqueue(const KelMsgPtr& msg);
    void writeNext();
    void onWritten(const boost::system::error_code& ec, const SocketPtr& sock, SockTokenPtr token);
    void startReading();
    void readHeader(const SocketPtr& sock, SockTokenPtr token);
    void onReadAhead(const boost::system::error_code& ec, std::size_t n, const SocketPtr& sock, SockTokenPtr token);
    void onHeader(const SocketPtr& sock, SockTokenPtr token);
    void onPayload(const boost::system::error_code& ec, const SocketPtr& sock, SockTokenPtr token,
                   const KelMsgPtr& msg);
    void dispatch(const KelMsgPtr& msg, const SockTokenPtr& token);
    void deliverAnswer(const KelMsgPtr& msg);
    static void deliverMedia(const DataCallback& callback, const KelMsgPtr& msg);
    void connectionBroken(const SocketPtr& sock, SockTokenPtr token);
    void dropSocket();
    void disconnect();
    void reconnect();
    void finishReconnect(const SocketPtr& sock, const SockTokenPtr& readToken, const SockTokenPtr& writeToken);
    void armHeartbeat();
    void onHeartbeat();
    void startMeter();
    void onMeter();

    boost::asio::ip::tcp::endpoint endpoint_;
    IoContextPtr net_;
    IoContextPtr work_;
    std::string address_;
    std::string user_;
    std::string passw_;
    std::atomic<bool> loginStarted_{false};

    // network thread only
    SocketPtr socket_;
    std::atomic<bool> connected_{false};  // mirrors socket_ for other threads

    mutable boost::mutex callbackMutex_;
    DataCallback dataCallback_;
    Resubscribe resubscribe_;
    DisconnectNotice disconnectNotice_;

    std::deque<KelMsgPtr> queue_;  // network thread only; unbounded

    mutable boost::mutex waitersMutex_;
    std::map<int32_t, boost::shared_ptr<TimeOutMsgWarp>> waiters_;

    std::atomic<int32_t> sn_{0};
    // network thread only; shared with the pending read that fills it
    boost::shared_ptr<ReadAhead> readAhead_;
    KelClock::time_point lastHeartbeat_;  // network thread only

    std::atomic<int64_t> total_{0};
    int64_t meterTotal_ = 0;  // network thread only
    std::atomic<int32_t> rate_{0};

    boost::shared_ptr<boost::asio::steady_timer> heartbeat_;
    boost::shared_ptr<SockTokenM> readLane_;
    boost::shared_ptr<SockTokenM> writeLane_;
    boost::shared_ptr<ProcessTime> processTime_;
};

typedef boost::shared_ptr<KelSession> KelSessionPtr;

}  // namespace sms
