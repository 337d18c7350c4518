#include "sim_connection.h"

#include <boost/asio/read.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/make_shared.hpp>

#include "data_msg.h"
#include "sim_server.h"

namespace smssim {

using boost::system::error_code;

SimConnection::SimConnection(SimServer& server, boost::asio::ip::tcp::socket socket, uint64_t id)
    : server_(server), socket_(std::move(socket)), id_(id) {}

void SimConnection::start() {
    readHeader();
}

void SimConnection::readHeader() {
    auto self = shared_from_this();
    boost::asio::async_read(socket_, boost::asio::buffer(header_), [self](const error_code& ec, std::size_t) {
        const uint32_t length = sms::decodeLength(self->header_.data());
        // a server has no reason to be lenient with a broken client frame
        if (ec || !sms::hasMagic(self->header_.data()) || !sms::lengthInRange(length)) {
            return self->close();
        }
        self->readPayload(length);
    });
}

void SimConnection::readPayload(uint32_t length) {
    auto self = shared_from_this();
    auto msg = boost::make_shared<sms::DataMsg>(length);
    boost::asio::async_read(socket_, boost::asio::buffer(msg->payloadArea(), length),
                            [self, msg](const error_code& ec, std::size_t) {
                                if (ec) {
                                    return self->close();
                                }
                                try {
                                    self->server_.handleFrame(*self, msg);
                                } catch (const std::exception&) {
                                    // a handler that failed answers nothing; the connection goes on
                                }
                                if (self->open_) {
                                    self->readHeader();
                                }
                            });
}

void SimConnection::send(const sms::KelMsgPtr& msg) {
    if (!open_) {
        return;
    }
    queue_.push_back(Queued{msg, false});
    writeNext();
}

void SimConnection::sendAlone(const sms::KelMsgPtr& msg) {
    if (!open_) {
        return;
    }
    queue_.push_back(Queued{msg, true});
    writeNext();
}

void SimConnection::sendAfter(const sms::KelMsgPtr& msg, int delayMs) {
    if (delayMs < 0) {
        return;
    }
    if (delayMs == 0) {
        return send(msg);
    }
    auto self = shared_from_this();
    auto timer = boost::make_shared<boost::asio::steady_timer>(socket_.get_executor());
    timer->expires_after(std::chrono::milliseconds(delayMs));
    timer->async_wait([self, timer, msg](const error_code& ec) {
        if (!ec) {
            self->send(msg);
        }
    });
}

void SimConnection::writeNext() {
    if (writing_ || queue_.empty() || !open_) {
        return;
    }
    writing_ = true;
    // what is queued goes out in one write, frame after frame, up to a
    // message that must go alone
    auto batch = boost::make_shared<std::vector<sms::KelMsgPtr>>();
    do {
        const bool alone = queue_.front().alone;
        if (alone && !batch->empty()) {
            break;
        }
        batch->push_back(queue_.front().msg);
        queue_.pop_front();
        if (alone) {
            break;
        }
    } while (!queue_.empty() && !queue_.front().alone);
    std::vector<boost::asio::const_buffer> ranges;
    for (const auto& msg : *batch) {
        for (const auto& range : msg->outputRanges()) {
            ranges.push_back(range);
        }
    }
    auto self = shared_from_this();
    boost::asio::async_write(socket_, ranges, [self, batch](const error_code& ec, std::size_t) {
        self->writing_ = false;
        if (ec) {
            return self->close();
        }
        self->writeNext();
    });
}

void SimConnection::close() {
    if (!open_) {
        return;
    }
    open_ = false;
    queue_.clear();
    error_code ignored;
    socket_.shutdown(boost::asio::ip::tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    server_.connectionClosed(id_);
}

}  // namespace smssim
