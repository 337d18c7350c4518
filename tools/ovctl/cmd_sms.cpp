// ovctl sms-*: the management-server client by hand, against a server
// address (for instance a running smssim).

#include <cstdio>
#include <stdexcept>
#include <string>

#include <ov/servclient.h>

#include "commands.h"

namespace ovctl {

#define OVCTL_SMS_LOGIN_OPTIONS                                                \
    "  --addr HOST[:PORT]   the server (numeric address; default port 6888)\n" \
    "  --user NAME          user name (default admin)\n"                       \
    "  --password TEXT      password (default empty)\n"

#define OVCTL_SMS_CHANNEL_OPTIONS                                                 \
    "the channel, either by the server's id:\n"                                   \
    "  --id ID\n"                                                                 \
    "or as a channel of a device the server reaches:\n"                           \
    "  --dev-type TYPE --dev-addr ADDR [--dev-user NAME] [--dev-password TEXT]\n" \
    "  --chan NAME\n"

const char* const kSmsLoginUsage =
    "usage: ovctl sms-login --addr HOST[:PORT] [--user NAME] [--password TEXT]\n"
    "\n"
    "Logs in to a management server, prints the login handle and logs out.\n"
    "\n" OVCTL_SMS_LOGIN_OPTIONS
    "\n"
    "A refused login prints the server's code (or -1) and exits with 1.\n";

const char* const kSmsDbUsage =
    "usage: ovctl sms-db --addr HOST[:PORT] [--user NAME] [--password TEXT]\n"
    "\n"
    "Logs in and prints the server's database connection data.\n"
    "\n" OVCTL_SMS_LOGIN_OPTIONS;

const char* const kSmsFindUsage =
    "usage: ovctl sms-find --addr HOST[:PORT] [login options] (--id ID | device options)\n"
    "                      --start \"YYYY-MM-DD hh:mm:ss\" --end \"YYYY-MM-DD hh:mm:ss\"\n"
    "\n"
    "Logs in, searches the recordings of a channel in a time range and prints\n"
    "one line per recording.\n"
    "\n" OVCTL_SMS_LOGIN_OPTIONS "\n" OVCTL_SMS_CHANNEL_OPTIONS;

const char* const kSmsPtzUsage =
    "usage: ovctl sms-ptz --addr HOST[:PORT] [login options] (--id ID | device options)\n"
    "                     --cmd N [--param N]\n"
    "\n"
    "Logs in and sends one pan-tilt-zoom command (the server does not answer\n"
    "it); one database request afterwards makes sure the server has read it.\n"
    "\n" OVCTL_SMS_LOGIN_OPTIONS "\n" OVCTL_SMS_CHANNEL_OPTIONS
    "  --cmd N              command code, passed through\n"
    "  --param N            parameter, passed through (default 0)\n";

namespace {

// A client result other than 0, as the command's error.
void check(int32_t code, const char* what) {
    if (code != 0) {
        throw std::runtime_error(std::string(what) + " failed: error " + std::to_string(code));
    }
}

// The library started for one command.
class SmsLibrary {
public:
    SmsLibrary() { check(KelSms_Init(1, 0, 0), "starting the client"); }
    ~SmsLibrary() { KelSms_Cleanup(); }
    SmsLibrary(const SmsLibrary&) = delete;
    SmsLibrary& operator=(const SmsLibrary&) = delete;
};

class SmsLogin {
public:
    explicit SmsLogin(Args& args)
        : addr_(args.require("--addr")),
          user_(args.value("--user").value_or("admin")),
          passw_(args.value("--password").value_or("")) {}

    void open() {
        KelSmsLoginOpt opt{addr_.c_str(), user_.c_str(), passw_.c_str()};
        check(KelSms_Login(&opt, &handle_), "login");
    }
    ~SmsLogin() {
        if (handle_ != 0) {
            KelSms_Logout(handle_);
        }
    }
    int32_t handle() const { return handle_; }
    const std::string& addr() const { return addr_; }

private:
    std::string addr_;
    std::string user_;
    std::string passw_;
    int32_t handle_ = 0;
};

struct Channel {
    std::string id;
    std::string type, addr, user, passw, chan;
    bool byId() const { return !id.empty(); }
};

Channel channelOf(Args& args) {
    Channel c;
    c.id = args.value("--id").value_or("");
    c.type = args.value("--dev-type").value_or("");
    c.addr = args.value("--dev-addr").value_or("");
    c.user = args.value("--dev-user").value_or("");
    c.passw = args.value("--dev-password").value_or("");
    c.chan = args.value("--chan").value_or("");
    const bool device = !c.type.empty() || !c.addr.empty() || !c.chan.empty();
    if (c.byId() == device) {
        throw UsageError("name the channel either with --id or with --dev-type, --dev-addr and --chan");
    }
    return c;
}

struct Time {
    int32_t f[6];
};

Time timeOf(Args& args, const std::string& name) {
    const std::string text = args.require(name);
    Time t{};
    char rest = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &t.f[0], &t.f[1], &t.f[2], &t.f[3], &t.f[4], &t.f[5], &rest) !=
        6) {
        throw UsageError(name + " wants \"YYYY-MM-DD hh:mm:ss\", not \"" + text + "\"");
    }
    return t;
}

int32_t numberOf(Args& args, const std::string& name, bool required) {
    const auto n = args.number(name);
    if (!n) {
        if (required) {
            throw UsageError(name + " is required");
        }
        return 0;
    }
    if (*n < INT32_MIN || *n > INT32_MAX) {
        throw UsageError(name + " is out of range");
    }
    return static_cast<int32_t>(*n);
}

}  // namespace

int runSmsLogin(Args& args) {
    SmsLogin login(args);
    args.finish();
    SmsLibrary library;
    login.open();
    std::printf("logged in to %s: login handle %d\n", login.addr().c_str(), login.handle());
    return 0;
}

int runSmsDb(Args& args) {
    SmsLogin login(args);
    args.finish();
    SmsLibrary library;
    login.open();
    OvSmsDBInfo info;
    check(KelSms_GetDB(login.handle(), &info), "database request");
    std::printf("dbaddr     %s\ndbport     %u\ndbname     %s\ndbusername %s\ndbpassword %s\n", info.addr,
                static_cast<unsigned>(info.port), info.dbname, info.user, info.passw);
    return 0;
}

int runSmsFind(Args& args) {
    SmsLogin login(args);
    const Channel c = channelOf(args);
    const Time start = timeOf(args, "--start");
    const Time end = timeOf(args, "--end");
    args.finish();
    SmsLibrary library;
    login.open();
    const int32_t* s = start.f;
    const int32_t* e = end.f;
    int32_t search = 0;
    if (c.byId()) {
        KelSmsFindByIdOpt opt{login.handle(), c.id.c_str(), s[0], s[1], s[2], s[3], s[4],
                              s[5],           e[0],         e[1], e[2], e[3], e[4], e[5]};
        check(KelSms_Find_Rcd_ByID(&opt, &search), "record search");
    } else {
        KelSmsFindOpt opt{login.handle(),
                          c.type.c_str(),
                          c.addr.c_str(),
                          c.user.c_str(),
                          c.passw.c_str(),
                          c.chan.c_str(),
                          s[0],
                          s[1],
                          s[2],
                          s[3],
                          s[4],
                          s[5],
                          e[0],
                          e[1],
                          e[2],
                          e[3],
                          e[4],
                          e[5]};
        check(KelSms_Find_Rcd(&opt, &search), "record search");
    }
    int count = 0;
    OvSmsFindData d{};
    while (KelSms_Find_Next(search, &d) == 0) {
        std::printf("%04d-%02d-%02d %02d:%02d:%02d  %04d-%02d-%02d %02d:%02d:%02d  %lld bytes\n", d.startYear,
                    d.startMonth, d.startDay, d.startHour, d.startMinute, d.startSecond, d.endYear, d.endMonth,
                    d.endDay, d.endHour, d.endMinute, d.endSecond, static_cast<long long>(d.size));
        ++count;
    }
    KelSms_Find_Close(search);
    std::printf("%d recording(s)\n", count);
    return 0;
}

int runSmsPtz(Args& args) {
    SmsLogin login(args);
    const Channel c = channelOf(args);
    const int32_t cmd = numberOf(args, "--cmd", true);
    const int32_t param = numberOf(args, "--param", false);
    args.finish();
    SmsLibrary library;
    login.open();
    if (c.byId()) {
        KelSmsPtzByIdOpt opt{login.handle(), c.id.c_str(), cmd, param};
        check(KelSms_PTZCtrol_ByID(&opt), "pan-tilt-zoom command");
    } else {
        KelSmsPtzOpt opt{
            login.handle(), c.type.c_str(), c.addr.c_str(), c.user.c_str(), c.passw.c_str(), c.chan.c_str(), cmd,
            param};
        check(KelSms_PTZCtrol_Other(&opt), "pan-tilt-zoom command");
    }
    // Commands are queued without an answer, and logging out drops the
    // queue: a request answered after it proves the command was written.
    OvSmsDBInfo info;
    check(KelSms_GetDB(login.handle(), &info), "confirming request");
    std::printf("sent command %d with parameter %d\n", cmd, param);
    return 0;
}

}  // namespace ovctl
