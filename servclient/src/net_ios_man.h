#pragma once

// The network pool: one single-threaded I/O service per processor. A session
// takes one service for its whole life, so its socket work, timers and
// dispatch all run on one thread.

#include <atomic>
#include <cstddef>
#include <vector>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/thread/thread.hpp>

namespace sms {

typedef boost::shared_ptr<boost::asio::io_context> IoContextPtr;

class NetIosMan {
public:
    // count 0 means one per processor (at least one)
    explicit NetIosMan(std::size_t count = 0);
    ~NetIosMan();
    NetIosMan(const NetIosMan&) = delete;
    NetIosMan& operator=(const NetIosMan&) = delete;

    // Round-robin: element (counter + 1) mod N.
    IoContextPtr next();
    std::size_t size() const { return services_.size(); }
    // Stops every service and joins the threads; the services live on as long
    // as sessions hold them, without running.
    void stop();

private:
    typedef boost::asio::executor_work_guard<boost::asio::io_context::executor_type> Guard;
    std::vector<IoContextPtr> services_;
    std::vector<boost::shared_ptr<Guard>> guards_;
    boost::thread_group threads_;
    std::atomic<std::size_t> counter_{0};
    bool stopped_ = false;
};

// Runs a service until it is stopped. An exception that escapes a handler is
// dropped and the loop goes on, so one bad frame cannot end the pool thread.
void runIoService(boost::asio::io_context& io);

}  // namespace sms
