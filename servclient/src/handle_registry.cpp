#include "handle_registry.h"

#include <boost/thread/lock_guard.hpp>
#include <boost/thread/locks.hpp>
#include <boost/thread/shared_lock_guard.hpp>

namespace sms {

HandleRegistry& HandleRegistry::instance() {
    // never destroyed: exports may still be called while the process ends
    static HandleRegistry* registry = new HandleRegistry();
    return *registry;
}

int32_t HandleRegistry::addHolder(HandleKind kind, boost::shared_ptr<void> object) {
    const int32_t handle = counter_.fetch_add(1) + 1;
    boost::lock_guard<boost::shared_mutex> lock(mutex_);
    holders_[handle] = Holder{kind, std::move(object)};
    return handle;
}

boost::shared_ptr<void> HandleRegistry::findHolder(int32_t handle, HandleKind kind) const {
    boost::shared_lock<boost::shared_mutex> lock(mutex_);
    auto it = holders_.find(handle);
    if (it == holders_.end() || it->second.kind != kind) {
        return boost::shared_ptr<void>();
    }
    return it->second.object;
}

boost::shared_ptr<void> HandleRegistry::removeHolder(int32_t handle, HandleKind kind, bool checkKind) {
    boost::lock_guard<boost::shared_mutex> lock(mutex_);
    auto it = holders_.find(handle);
    if (it == holders_.end() || (checkKind && it->second.kind != kind)) {
        return boost::shared_ptr<void>();
    }
    boost::shared_ptr<void> object = std::move(it->second.object);
    holders_.erase(it);
    return object;
}

void HandleRegistry::clear() {
    std::map<int32_t, Holder> gone;
    {
        boost::lock_guard<boost::shared_mutex> lock(mutex_);
        gone.swap(holders_);
    }
}

std::size_t HandleRegistry::size() const {
    boost::lock_guard<boost::shared_mutex> lock(mutex_);
    return holders_.size();
}

}  // namespace sms
