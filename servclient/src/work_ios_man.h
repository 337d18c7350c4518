#pragma once

// The worker pool: one I/O service run by max(8, processors) x 3 threads.
// Answers, media frames (application callbacks and decoding) and
// re-connections are delivered here, so that a slow consumer never holds up a
// network thread.

#include <cstddef>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/thread/thread.hpp>

#include "net_ios_man.h"

namespace sms {

class WorkIosMan {
public:
    // threads 0 means max(8, processors) x 3
    explicit WorkIosMan(std::size_t threads = 0);
    ~WorkIosMan();
    WorkIosMan(const WorkIosMan&) = delete;
    WorkIosMan& operator=(const WorkIosMan&) = delete;

    IoContextPtr service() const { return service_; }
    std::size_t threads() const { return count_; }
    void stop();

private:
    typedef boost::asio::executor_work_guard<boost::asio::io_context::executor_type> Guard;
    IoContextPtr service_;
    boost::shared_ptr<Guard> guard_;
    boost::thread_group threads_;
    std::size_t count_;
    bool stopped_ = false;
};

}  // namespace sms
