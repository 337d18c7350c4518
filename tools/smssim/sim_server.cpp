#include "sim_server.h"

#include <chrono>

#include <boost/asio/post.hpp>
#include <boost/make_shared.hpp>

#include "bson_fields.h"
#include "raw_frame.h"

namespace smssim {

using boost::asio::ip::tcp;
using sms::DocBuilder;

SimServer::SimServer(SimConfig config) : config_(std::move(config)) {
    port_ = config_.port;
}

SimServer::~SimServer() {
    stop();
}

uint16_t SimServer::start() {
    stop();
    io_.reset(new boost::asio::io_context(1));
    try {
        const SimConfig cfg = snapshot();
        const tcp::endpoint endpoint(boost::asio::ip::make_address(cfg.bind), port_.load());
        acceptor_.reset(new tcp::acceptor(*io_));
        acceptor_->open(endpoint.protocol());
        acceptor_->set_option(tcp::acceptor::reuse_address(true));
        acceptor_->bind(endpoint);
        acceptor_->listen();
        port_ = acceptor_->local_endpoint().port();
    } catch (...) {
        // without a thread to run it, stop() has nothing to join: a server
        // whose port is taken ends as if it had never started
        acceptor_.reset();
        io_.reset();
        throw;
    }
    accept();
    thread_ = std::thread([this] {
        for (;;) {
            try {
                io_->run();
                return;
            } catch (const std::exception& e) {
                log(std::string("handler failed: ") + e.what());
            }
        }
    });
    return port_.load();
}

void SimServer::stop() {
    if (!io_) {
        return;
    }
    boost::asio::post(*io_, [this] {
        boost::system::error_code ignored;
        acceptor_->close(ignored);
        forEachConnection([](SimConnection& c) { c.close(); });
        io_->stop();
    });
    thread_.join();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connections_.clear();
    }
    acceptor_.reset();
    io_.reset();
}

std::string SimServer::address() const {
    return snapshot().bind + ":" + std::to_string(port());
}

void SimServer::accept() {
    acceptor_->async_accept([this](const boost::system::error_code& ec, tcp::socket socket) {
        if (ec) {
            return;  // closed by stop()
        }
        boost::system::error_code ignored;
        socket.set_option(tcp::no_delay(true), ignored);
        boost::shared_ptr<SimConnection> conn;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            conn = boost::make_shared<SimConnection>(*this, std::move(socket), ++nextId_);
            connections_[conn->id()] = conn;
        }
        ++accepted_;
        conn->start();
        accept();
    });
}

void SimServer::connectionClosed(uint64_t id) {
    boost::shared_ptr<SimConnection> gone;
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = connections_.find(id);
    if (it != connections_.end()) {
        gone = it->second;  // declared before the lock: ends after it
        connections_.erase(it);
    }
}

void SimServer::forEachConnection(const std::function<void(SimConnection&)>& action) {
    std::vector<boost::shared_ptr<SimConnection>> all;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& entry : connections_) {
            all.push_back(entry.second);
        }
    }
    for (const auto& conn : all) {
        action(*conn);
    }
}

SimConfig SimServer::snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return config_;
}

void SimServer::update(const std::function<void(SimConfig&)>& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    change(config_);
}

void SimServer::refuseLogin(int32_t code) {
    update([code](SimConfig& c) { c.refuseLogin = code; });
}

void SimServer::setHeartbeatAnswers(bool on) {
    update([on](SimConfig& c) { c.heartbeatAnswers = on; });
}

void SimServer::setAnswer(int32_t fcode, const AnswerScript& script) {
    update([fcode, script](SimConfig& c) { c.answers[fcode] = script; });
}

void SimServer::clearAnswer(int32_t fcode) {
    update([fcode](SimConfig& c) { c.answers.erase(fcode); });
}

void SimServer::setHandler(int32_t fcode, Handler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    handlers_[fcode] = std::move(handler);
}

void SimServer::setLog(std::function<void(const std::string&)> log) {
    std::lock_guard<std::mutex> lock(mutex_);
    logging_ = static_cast<bool>(log);
    log_ = std::move(log);
}

void SimServer::log(const std::string& line) {
    std::function<void(const std::string&)> log;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        log = log_;
    }
    if (log) {
        log(line);
    }
}

void SimServer::closeConnections() {
    if (io_) {
        boost::asio::post(*io_, [this] { forEachConnection([](SimConnection& c) { c.close(); }); });
    }
}

void SimServer::sendRaw(const std::vector<uint8_t>& bytes) {
    if (io_) {
        auto msg = boost::make_shared<RawMsg>(bytes);
        boost::asio::post(*io_, [this, msg] { forEachConnection([&](SimConnection& c) { c.send(msg); }); });
    }
}

void SimServer::sendRawPieces(const std::vector<std::vector<uint8_t>>& pieces) {
    if (io_) {
        std::vector<sms::KelMsgPtr> msgs;
        for (const auto& piece : pieces) {
            msgs.push_back(boost::make_shared<RawMsg>(piece));
        }
        boost::asio::post(*io_, [this, msgs] {
            forEachConnection([&](SimConnection& c) {
                for (const auto& msg : msgs) {
                    c.sendAlone(msg);
                }
            });
        });
    }
}

void SimServer::sendDoc(const sms::BsonDocPtr& doc) {
    if (io_) {
        auto msg = sms::makeMsg(doc);
        boost::asio::post(*io_, [this, msg] { forEachConnection([&](SimConnection& c) { c.send(msg); }); });
    }
}

std::vector<SimRequest> SimServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<SimRequest> SimServer::requestsOf(int32_t fcode) const {
    std::vector<SimRequest> found;
    for (const SimRequest& r : requests()) {
        if (r.fcode == fcode) {
            found.push_back(r);
        }
    }
    return found;
}

std::vector<SimPtz> SimServer::ptzCommands() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ptz_;
}

std::size_t SimServer::openConnections() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connections_.size();
}

bool SimServer::waitFor(const std::function<bool()>& condition, int timeoutMs) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void SimServer::answer(SimConnection& conn, int32_t fcode, int32_t sn, int32_t retcode, const Body& body) {
    AnswerScript script;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = config_.answers.find(fcode);
        if (it != config_.answers.end()) {
            script = it->second;
        }
    }
    if (script.rawSet) {
        return conn.sendAfter(boost::make_shared<RawMsg>(script.raw), script.delayMs);
    }
    const int32_t code = script.retcodeSet ? script.retcode : retcode;
    DocBuilder b;
    b.i32("fcode", fcode).i32("sn", sn);
    switch (script.fault) {
        case RetcodeFault::None:
            b.i32("retcode", code);
            break;
        case RetcodeFault::Missing:
            break;
        case RetcodeFault::WrongType:
            b.text("retcode", std::to_string(code));
            break;
    }
    if (code == 0 && body) {
        body(b);
    }
    // a binary element costs 10 bytes besides its data: type, "pad\0", length, subtype
    const uint32_t size = b.raw()->len;
    if (script.padTo > size + 10) {
        std::vector<uint8_t> pad(script.padTo - size - 10, 0x55);
        b.binary("pad", pad.data(), static_cast<uint32_t>(pad.size()));
    }
    conn.sendAfter(sms::makeMsg(b.finish()), script.delayMs);
}

void SimServer::handleFrame(SimConnection& conn, const sms::KelMsgPtr& frame) {
    const bson_t* doc = frame->document();
    if (doc == nullptr) {
        log("conn " + std::to_string(conn.id()) + ": frame without a valid document");
        return;
    }
    SimRequest req{conn.id(), sms::int32Of(doc, "fcode").value_or(-1), sms::int32Of(doc, "sn").value_or(-1),
                   sms::adoptDoc(bson_copy(doc))};
    Handler handler;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (config_.recordRequests) {
            requests_.push_back(req);
        }
        auto it = handlers_.find(req.fcode);
        if (it != handlers_.end()) {
            handler = it->second;
        }
    }
    if (logging_) {
        log("conn " + std::to_string(conn.id()) + ": fcode " + std::to_string(req.fcode) + " sn " +
            std::to_string(req.sn));
    }
    if (handler) {
        return handler(conn, req);
    }
    switch (req.fcode) {
        case sms::FC_LOGIN:
            return handleLogin(conn, req);
        case sms::FC_HEARTBEAT:
            if (current(&SimConfig::heartbeatAnswers)) {
                conn.send(sms::makeMsg(sms::heartbeatDoc(req.sn)));
            }
            return;
        case sms::FC_DB_INFO:
            return handleDb(conn, req);
        case sms::FC_FIND_BY_DEVICE:
        case sms::FC_FIND_BY_ID:
            return handleFind(conn, req);
        case sms::FC_PTZ_BY_DEVICE:
        case sms::FC_PTZ_BY_ID:
            return handlePtz(req);
        default:
            return;  // not served (yet)
    }
}

void SimServer::handleLogin(SimConnection& conn, const SimRequest& req) {
    const std::vector<SimUser> users = current(&SimConfig::users);
    const int32_t badLoginCode = current(&SimConfig::badLoginCode);
    const int32_t refuseLogin = current(&SimConfig::refuseLogin);
    const std::string user = sms::textOf(req.doc->get(), "username");
    const std::string password = sms::textOf(req.doc->get(), "password");
    int32_t code = badLoginCode;
    for (const SimUser& u : users) {
        if (u.name == user && u.password == password) {
            code = 0;
        }
    }
    if (refuseLogin != 0) {
        code = refuseLogin;
    }
    if (code == 0) {
        conn.setLoggedIn();
        ++logins_;
    }
    answer(conn, req.fcode, req.sn, code);
}

void SimServer::handleDb(SimConnection& conn, const SimRequest& req) {
    const SimDb db = current(&SimConfig::db);
    answer(conn, req.fcode, req.sn, 0, [&db](DocBuilder& b) {
        b.text("dbaddr", db.addr).text("dbname", db.name).text("dbpassword", db.password);
        if (db.portAsInt32) {
            b.i32("dbport", static_cast<int32_t>(std::stol(db.port)));
        } else {
            b.text("dbport", db.port);
        }
        b.text("dbusername", db.user);
    });
}

void SimServer::handleFind(SimConnection& conn, const SimRequest& req) {
    const std::vector<SimRecord> records = current(&SimConfig::records);
    answer(conn, req.fcode, req.sn, 0, [&records](DocBuilder& b) {
        bson_t list;
        bson_append_array_begin(b.raw(), "filelist", -1, &list);
        for (std::size_t i = 0; i < records.size(); ++i) {
            const SimRecord& r = records[i];
            const std::string key = std::to_string(i);
            bson_t entry;
            bson_append_document_begin(&list, key.c_str(), -1, &entry);
            if (r.sizeAsInt32) {
                bson_append_int32(&entry, "size", -1, static_cast<int32_t>(r.size));
            } else {
                bson_append_int64(&entry, "size", -1, r.size);
            }
            bson_append_utf8(&entry, "st", -1, r.st.c_str(), -1);
            bson_append_utf8(&entry, "et", -1, r.et.c_str(), -1);
            bson_append_document_end(&list, &entry);
        }
        bson_append_array_end(b.raw(), &list);
    });
}

void SimServer::handlePtz(const SimRequest& req) {
    const bson_t* doc = req.doc->get();
    SimPtz ptz{req.fcode,
               sms::textOf(doc, "chnlid"),
               sms::textOf(doc, "devtype"),
               sms::textOf(doc, "devaddr"),
               sms::textOf(doc, "chnlname"),
               sms::int32Of(doc, "ptzcmd").value_or(0),
               sms::int32Of(doc, "ptzparam").value_or(0)};
    std::lock_guard<std::mutex> lock(mutex_);
    ptz_.push_back(ptz);
}

}  // namespace smssim
