#include "work_ios_man.h"

#include <algorithm>

#include <boost/make_shared.hpp>

namespace sms {

WorkIosMan::WorkIosMan(std::size_t threads) : service_(boost::make_shared<boost::asio::io_context>()), count_(threads) {
    if (count_ == 0) {
        count_ = std::max<std::size_t>(8, boost::thread::hardware_concurrency()) * 3;
    }
    guard_ = boost::make_shared<Guard>(service_->get_executor());
    IoContextPtr io = service_;
    for (std::size_t i = 0; i < count_; ++i) {
        threads_.create_thread([io] { runIoService(*io); });
    }
}

WorkIosMan::~WorkIosMan() {
    stop();
}

void WorkIosMan::stop() {
    if (stopped_) {
        return;
    }
    stopped_ = true;
    guard_.reset();
    service_->stop();
    threads_.join_all();
}

}  // namespace sms
