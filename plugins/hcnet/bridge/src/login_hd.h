#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <boost/noncopyable.hpp>
#include <boost/shared_ptr.hpp>

#include <hcnetsdk/hcnet_sdk.h>

namespace hik {

// The channels of a recorder: for each its number as decimal text, in the name
// list and in the id list alike; analog channels first, then IP channels.
struct ChansImp {
    std::vector<std::string> names;
    std::vector<std::string> ids;
};

// One vendor login, shared by every channel and handle that needs the recorder.
// The last holder's release logs out, on whichever thread that happens.
class LoginHD : boost::noncopyable {
public:
    LoginHD(int32_t userId, uint8_t firstTalkChan, int32_t firstDigitalChan, boost::shared_ptr<ChansImp> chans);
    ~LoginHD();

    int32_t userId() const { return userId_; }
    uint8_t firstTalkChan() const { return firstTalkChan_; }
    int32_t firstDigitalChan() const { return firstDigitalChan_; }
    const ChansImp& chans() const { return *chans_; }

private:
    int32_t userId_;
    uint8_t firstTalkChan_;
    int32_t firstDigitalChan_;
    boost::shared_ptr<ChansImp> chans_;
};

// Lists the channels of a fresh vendor login: the analog ones from the device
// information, the IP ones from the IP-channel configuration, whose number of
// the first digital channel is returned through firstDigitalChan (0 when the
// configuration could not be read).
boost::shared_ptr<ChansImp> ListChannels(int32_t userId, const HcDeviceInfo& info, int32_t& firstDigitalChan);

}  // namespace hik
