#include "net_ios_man.h"

#include <boost/make_shared.hpp>

namespace sms {

void runIoService(boost::asio::io_context& io) {
    for (;;) {
        try {
            io.run();
            return;
        } catch (...) {
        }
    }
}

NetIosMan::NetIosMan(std::size_t count) {
    if (count == 0) {
        count = boost::thread::hardware_concurrency();
    }
    if (count == 0) {
        count = 1;
    }
    for (std::size_t i = 0; i < count; ++i) {
        auto io = boost::make_shared<boost::asio::io_context>(1);
        guards_.push_back(boost::make_shared<Guard>(io->get_executor()));
        services_.push_back(io);
        threads_.create_thread([io] { runIoService(*io); });
    }
}

NetIosMan::~NetIosMan() {
    stop();
}

IoContextPtr NetIosMan::next() {
    return services_[(counter_.fetch_add(1) + 1) % services_.size()];
}

void NetIosMan::stop() {
    if (stopped_) {
        return;
    }
    stopped_ = true;
    guards_.clear();
    for (const IoContextPtr& io : services_) {
        io->stop();
    }
    threads_.join_all();
}

}  // namespace sms
