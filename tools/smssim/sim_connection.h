#pragma once

// One client connection of the simulated server. Everything runs on the
// server's thread; frames are read one after the other and writes go
// through a queue with one write in flight.

#include <array>
#include <cstdint>
#include <deque>

#include <boost/asio/ip/tcp.hpp>
#include <boost/enable_shared_from_this.hpp>

#include "frame_header.h"
#include "kel_msg.h"

namespace smssim {

class SimServer;

class SimConnection : public boost::enable_shared_from_this<SimConnection> {
public:
    SimConnection(SimServer& server, boost::asio::ip::tcp::socket socket, uint64_t id);

    void start();
    void send(const sms::KelMsgPtr& msg);
    // Written with a send of its own, not joined with the frames around it:
    // lets a test cut the byte stream where it likes.
    void sendAlone(const sms::KelMsgPtr& msg);
    // -1 never sends it
    void sendAfter(const sms::KelMsgPtr& msg, int delayMs);
    void close();

    uint64_t id() const { return id_; }
    bool isOpen() const { return open_; }
    bool loggedIn() const { return loggedIn_; }
    void setLoggedIn() { loggedIn_ = true; }
    SimServer& server() { return server_; }
    boost::asio::any_io_executor executor() { return socket_.get_executor(); }

private:
    void readHeader();
    void readPayload(uint32_t length);
    void writeNext();

    SimServer& server_;
    boost::asio::ip::tcp::socket socket_;
    uint64_t id_;
    std::array<uint8_t, sms::kHeaderSize> header_{};
    struct Queued {
        sms::KelMsgPtr msg;
        bool alone;
    };
    std::deque<Queued> queue_;
    bool writing_ = false;
    bool open_ = true;
    bool loggedIn_ = false;
};

}  // namespace smssim
