#pragma once

// A management server on loopback for tests and for trying the client by
// hand. It speaks the client's own wire code; it knows users, database
// information and a list of recordings, records every frame it receives, and
// can be told to misbehave: refuse logins, delay or withhold answers, send a
// malformed "retcode", stop answering heartbeats, drop connections, send
// arbitrary bytes, go away and come back on the same port.
//
// It runs on one thread of its own. Every public member may be called from
// any thread.
//
// Further function codes join through setHandler(): a handler gets the
// connection and the request on the server's thread and may answer (answer())
// or push frames (SimConnection::send) for as long as it likes.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

#include "bson_msg.h"
#include "kel_documents.h"
#include "sim_config.h"
#include "sim_connection.h"

namespace smssim {

// One frame the server received.
struct SimRequest {
    uint64_t connection;
    int32_t fcode;
    int32_t sn;  // -1 when the frame had none
    sms::BsonDocPtr doc;
};

struct SimPtz {
    int32_t fcode;  // 6 by device, 7 by id
    std::string chnlid;
    std::string devtype;
    std::string devaddr;
    std::string chnlname;
    int32_t cmd;
    int32_t param;
};

class SimServer {
public:
    typedef boost::function<void(SimConnection&, const SimRequest&)> Handler;
    typedef std::function<void(sms::DocBuilder&)> Body;

    explicit SimServer(SimConfig config = SimConfig());
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Binds and starts the server's thread; returns the port. The first start
    // with port 0 takes a free port, later starts (a restart) take it again.
    // Throws boost::system::system_error when the port cannot be bound.
    uint16_t start();
    // Closes the listener and every connection and ends the thread.
    void stop();
    uint16_t port() const { return port_.load(); }
    // "127.0.0.1:<port>", for the client's login
    std::string address() const;

    // behaviour; takes effect from the next frame on
    void update(const std::function<void(SimConfig&)>& change);
    void refuseLogin(int32_t code);  // 0: check the users again
    void setHeartbeatAnswers(bool on);
    void setAnswer(int32_t fcode, const AnswerScript& script);
    void clearAnswer(int32_t fcode);
    void setHandler(int32_t fcode, Handler handler);

    // on every open connection
    void closeConnections();
    void sendRaw(const std::vector<uint8_t>& bytes);
    // Each piece with a send of its own, all queued at once (nothing gets
    // between them).
    void sendRawPieces(const std::vector<std::vector<uint8_t>>& pieces);
    void sendDoc(const sms::BsonDocPtr& doc);

    // what happened
    std::vector<SimRequest> requests() const;
    std::vector<SimRequest> requestsOf(int32_t fcode) const;
    std::vector<SimPtz> ptzCommands() const;
    int32_t loginCount() const { return logins_.load(); }
    int32_t acceptedCount() const { return accepted_.load(); }
    std::size_t openConnections() const;
    // Polls the condition until it holds or the time is up.
    bool waitFor(const std::function<bool()>& condition, int timeoutMs) const;
    // One line per frame received (heartbeats included), on the server's thread.
    void setLog(std::function<void(const std::string&)> log);

    // Answers a request the way the scripts say: delay, retcode, padding or
    // raw bytes. The body is added only when the result is 0.
    void answer(SimConnection& conn, int32_t fcode, int32_t sn, int32_t retcode, const Body& body = Body());

    // called by connections
    void handleFrame(SimConnection& conn, const sms::KelMsgPtr& frame);
    void connectionClosed(uint64_t id);

private:
    void accept();
    void forEachConnection(const std::function<void(SimConnection&)>& action);
    void handleLogin(SimConnection& conn, const SimRequest& req);
    void handleDb(SimConnection& conn, const SimRequest& req);
    void handleFind(SimConnection& conn, const SimRequest& req);
    void handlePtz(const SimRequest& req);
    SimConfig snapshot() const;
    // One member of the configuration, copied under the lock.
    template <class T>
    T current(T SimConfig::*member) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return config_.*member;
    }
    void log(const std::string& line);

    mutable std::mutex mutex_;
    SimConfig config_;
    std::map<int32_t, Handler> handlers_;
    std::vector<SimRequest> requests_;
    std::vector<SimPtz> ptz_;
    std::map<uint64_t, boost::shared_ptr<SimConnection>> connections_;
    std::function<void(const std::string&)> log_;
    std::atomic<bool> logging_{false};

    std::unique_ptr<boost::asio::io_context> io_;
    std::unique_ptr<boost::asio::ip::tcp::acceptor> acceptor_;
    std::thread thread_;
    std::atomic<uint16_t> port_{0};
    std::atomic<int32_t> logins_{0};
    std::atomic<int32_t> accepted_{0};
    uint64_t nextId_ = 0;
};

}  // namespace smssim
