#include "hik_login.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include <boost/weak_ptr.hpp>

#include "hik_error_text.h"

namespace hik {
namespace {

// Entries are never removed: an ended login stays as an expired entry until
// the next login under its key overwrites it.
struct LoginCache {
    std::mutex mutex;
    std::map<std::string, boost::weak_ptr<LoginHD>> logins;
};

LoginCache& cache() {
    static LoginCache c;
    return c;
}

std::string text(const char* s) {
    return s == nullptr ? std::string() : std::string(s);
}

// A '#' inside a user name or password would let two different credentials
// share one key (user "a#b" with password "c", user "a" with password "b#c"),
// and the second would be handed the first one's login. Escaped, the key of
// texts without '#' and '\' stays host:port#user#password.
std::string keyPart(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '#' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

}  // namespace

void SplitAddress(const std::string& addr, std::string& host, std::string& port) {
    const auto colon = addr.rfind(':');
    if (colon == std::string::npos) {
        host = addr;
        port = kDefaultPort;
    } else {
        host = addr.substr(0, colon);
        port = addr.substr(colon + 1);
    }
}

uint16_t PortNumber(const std::string& port) {
    // read as a decimal integer, but a value the vendor's 16-bit port would
    // wrap must not reach some other recorder's port
    const long value = std::strtol(port.c_str(), nullptr, 10);
    return value >= 0 && value <= 65535 ? uint16_t(value) : 0;
}

boost::shared_ptr<LoginHD> HikLogin(const char* addr, const char* user, const char* passw) {
    std::string host;
    std::string port;
    SplitAddress(text(addr), host, port);
    const std::string key =
        keyPart(host) + ":" + keyPart(port) + "#" + keyPart(text(user)) + "#" + keyPart(text(passw));

    LoginCache& c = cache();
    {
        std::lock_guard<std::mutex> lock(c.mutex);
        boost::shared_ptr<LoginHD> live = c.logins[key].lock();
        if (live) {
            return live;
        }
    }

    // never under the cache lock: a vendor login can take seconds
    HcDeviceInfo info = {};
    const int32_t userId =
        NET_DVR_Login_V30(host.c_str(), PortNumber(port), text(user).c_str(), text(passw).c_str(), &info);
    if (userId == -1) {
        RaiseLastHikError();
        return boost::shared_ptr<LoginHD>();
    }
    boost::shared_ptr<LoginHD> login;
    try {
        int32_t firstDigitalChan = 0;
        boost::shared_ptr<ChansImp> chans = ListChannels(userId, info, firstDigitalChan);
        login.reset(new LoginHD(userId, info.firstTalkChan, firstDigitalChan, chans));
    } catch (...) {
        NET_DVR_Logout(userId);  // nobody else will
        throw;
    }

    std::lock_guard<std::mutex> lock(c.mutex);
    c.logins[key] = login;
    return login;
}

}  // namespace hik
