#include "sock_token.h"

namespace sms {

SockToken::SockToken(boost::shared_ptr<SockTokenM> manager, boost::function<void()> release)
    : manager_(std::move(manager)), release_(std::move(release)) {}

SockToken::~SockToken() {
    manager_->users_.fetch_sub(1);
    if (release_) {
        try {
            release_();
        } catch (...) {
            // a release action only posts the next step; if even that fails
            // the next heartbeat tick starts over
        }
    }
}

SockTokenPtr SockTokenM::acquire() {
    if (users_.fetch_add(1) + 1 > 1) {
        users_.fetch_sub(1);
        return SockTokenPtr();
    }
    return SockTokenPtr(new SockToken(shared_from_this(), release_));
}

}  // namespace sms
