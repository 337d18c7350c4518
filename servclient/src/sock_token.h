#pragma once

// A lane that one holder at a time may use: the reader of a connection or its
// writer. Whoever holds the token owns the lane; dropping the last copy of
// the token frees the lane and runs the release action (which restarts the
// reading or the writing).

#include <atomic>

#include <boost/enable_shared_from_this.hpp>
#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

namespace sms {

class SockTokenM;

class SockToken {
public:
    SockToken(boost::shared_ptr<SockTokenM> manager, boost::function<void()> release);
    ~SockToken();
    SockToken(const SockToken&) = delete;
    SockToken& operator=(const SockToken&) = delete;

private:
    boost::shared_ptr<SockTokenM> manager_;
    boost::function<void()> release_;
};

typedef boost::shared_ptr<SockToken> SockTokenPtr;

class SockTokenM : public boost::enable_shared_from_this<SockTokenM> {
public:
    explicit SockTokenM(boost::function<void()> release) : release_(std::move(release)) {}

    // Null while another holder has the lane.
    SockTokenPtr acquire();
    bool busy() const { return users_.load() > 0; }

private:
    friend class SockToken;
    std::atomic<int32_t> users_{0};
    boost::function<void()> release_;
};

}  // namespace sms
