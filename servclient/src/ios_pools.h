#pragma once

// The two process-wide pools, present between startPools() and stopPools().
// The accessors take one process-wide mutex and throw std::runtime_error while
// the pools are absent.

#include <boost/shared_ptr.hpp>

#include "net_ios_man.h"
#include "work_ios_man.h"

namespace sms {

void startPools();
// Stops and joins every pool thread, then lets go of the pools. Must not run
// on a pool thread.
void stopPools();
bool poolsRunning();
boost::shared_ptr<NetIosMan> netIosMan();
boost::shared_ptr<WorkIosMan> workIosMan();

}  // namespace sms
