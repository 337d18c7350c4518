#include "login_hd.h"

#include <cstring>
#include <memory>
#include <utility>

namespace hik {

LoginHD::LoginHD(int32_t userId, uint8_t firstTalkChan, int32_t firstDigitalChan, boost::shared_ptr<ChansImp> chans)
    : userId_(userId), firstTalkChan_(firstTalkChan), firstDigitalChan_(firstDigitalChan), chans_(std::move(chans)) {}

LoginHD::~LoginHD() {
    NET_DVR_Logout(userId_);
}

boost::shared_ptr<ChansImp> ListChannels(int32_t userId, const HcDeviceInfo& info, int32_t& firstDigitalChan) {
    boost::shared_ptr<ChansImp> chans(new ChansImp());
    auto add = [&chans](int64_t number) {
        chans->names.push_back(std::to_string(number));
        chans->ids.push_back(chans->names.back());
    };
    for (int i = 0; i < info.analogChanCount; ++i) {
        add(int64_t(i) + info.firstAnalogChan);
    }
    // the result is not checked: a recorder without IP channels may refuse the
    // query, and its zeroed buffer then numbers them from 0
    std::unique_ptr<HcIpChanConfig> config(new HcIpChanConfig());
    std::memset(config.get(), 0, sizeof *config);
    uint32_t returned = 0;
    NET_DVR_GetDVRConfig(userId, HC_GET_IPCHAN_CONFIG, 0, config.get(), sizeof *config, &returned);
    firstDigitalChan = config->firstDigitalChan;
    const int ipCount = info.ipChanCountHigh * 256 + info.ipChanCountLow;
    for (int j = 0; j < ipCount; ++j) {
        add(int64_t(firstDigitalChan) + j);
    }
    return chans;
}

}  // namespace hik
