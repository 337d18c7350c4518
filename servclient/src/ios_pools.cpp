#include "ios_pools.h"

#include <stdexcept>

#include <boost/thread/lock_guard.hpp>
#include <boost/thread/mutex.hpp>

namespace sms {
namespace {

boost::mutex g_mutex;
boost::shared_ptr<NetIosMan> g_net;
boost::shared_ptr<WorkIosMan> g_work;

}  // namespace

void startPools() {
    boost::lock_guard<boost::mutex> lock(g_mutex);
    if (!g_work) {
        g_work.reset(new WorkIosMan());
    }
    if (!g_net) {
        g_net.reset(new NetIosMan());
    }
}

void stopPools() {
    boost::shared_ptr<NetIosMan> net;
    boost::shared_ptr<WorkIosMan> work;
    {
        boost::lock_guard<boost::mutex> lock(g_mutex);
        net.swap(g_net);
        work.swap(g_work);
    }
    // joined outside the mutex: a thread being joined may still ask for a pool
    if (net) {
        net->stop();
    }
    if (work) {
        work->stop();
    }
}

bool poolsRunning() {
    boost::lock_guard<boost::mutex> lock(g_mutex);
    return g_net && g_work;
}

boost::shared_ptr<NetIosMan> netIosMan() {
    boost::lock_guard<boost::mutex> lock(g_mutex);
    if (!g_net) {
        throw std::runtime_error("management-server client not initialised");
    }
    return g_net;
}

boost::shared_ptr<WorkIosMan> workIosMan() {
    boost::lock_guard<boost::mutex> lock(g_mutex);
    if (!g_work) {
        throw std::runtime_error("management-server client not initialised");
    }
    return g_work;
}

}  // namespace sms
