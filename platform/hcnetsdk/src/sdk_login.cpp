// Logging in to and out of a recorder.
#include <hcnetsdk/hcnet_sdk.h>

#include "vendor_call.h"

using hiksim::quoted;
using hiksim::vendorCall;
using hiksim::World;

extern "C" {

HCNET_API int32_t NET_DVR_Login_V30(const char* host, uint16_t port, const char* user, const char* password,
                                    HcDeviceInfo* info) {
    const std::string args = quoted(host) + ", " + std::to_string(port) + ", " + quoted(user) + ", " + quoted(password);
    return vendorCall("NET_DVR_Login_V30", args, 0, -1, [=](int32_t& userId) {
        if (host == nullptr || user == nullptr || password == nullptr || info == nullptr) {
            return uint32_t(HC_ERR_PARAMETER);
        }
        return World::get().login(host, port, user, password, *info, userId);
    });
}

HCNET_API int32_t NET_DVR_Logout(int32_t userId) {
    return vendorCall("NET_DVR_Logout", std::to_string(userId), 1, 0,
                      [=](int32_t&) { return World::get().logout(userId); });
}

}  // extern "C"
