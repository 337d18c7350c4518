#include "enum_host_chan.h"

#include "hik_login.h"

namespace hik {

int32_t EnumHostChan(OV::HostOpt* opt, NodeCallback onNode) {
    if (opt == nullptr) {
        return -1;
    }
    boost::shared_ptr<LoginHD> login = HikLogin(opt->addr, opt->user, opt->passw);
    if (!login) {
        return -1;
    }
    const ChansImp& chans = login->chans();
    for (std::size_t i = 0; i < chans.ids.size(); ++i) {
        OV::NodeInfo node = {"hik", opt->addr, opt->user, opt->passw, chans.names[i].c_str(), chans.ids[i].c_str()};
        onNode(&node);
    }
    return 0;
}

}  // namespace hik
