// smssim: a management server on loopback for trying the client by hand.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include "sim_config.h"
#include "sim_server.h"

namespace {

const char* const kUsage =
    "usage: smssim [options]\n"
    "\n"
    "A management server on loopback: logs users in, answers heartbeats,\n"
    "database requests and record searches, records pan-tilt-zoom commands,\n"
    "and prints one line per frame it receives. Stops on Ctrl-C.\n"
    "\n"
    "options (applied after --config, in this order):\n"
    "  --config FILE         JSON configuration (comments allowed), see below\n"
    "  --bind ADDR           address to listen on (default 127.0.0.1)\n"
    "  --port N              port (default 0: a free one; the port is printed)\n"
    "  --user NAME:PASSWORD  a user; repeatable; replaces admin:12345\n"
    "  --refuse-login CODE   refuse every login with this retcode\n"
    "  --bad-login-code CODE retcode for a wrong user or password (default 1)\n"
    "  --no-heartbeat        do not answer heartbeats\n"
    "  --db-port TEXT        \"dbport\" of the database answer (default 1433)\n"
    "  --record ST,ET,SIZE   a recording for record searches; repeatable;\n"
    "                        times as \"2026-01-02 03:04:05\"\n"
    "  --delay FCODE:MS      answer this function code after MS ms (-1: never)\n"
    "  --retcode FCODE:CODE  answer this function code with this retcode\n"
    "  --quiet               print only the listening line\n"
    "\n"
    "JSON configuration:\n"
    "  {\"bind\": \"127.0.0.1\", \"port\": 6888,\n"
    "   \"users\": [{\"username\": \"admin\", \"password\": \"12345\"}],\n"
    "   \"refuseLogin\": 0, \"badLoginCode\": 1, \"heartbeat\": true,\n"
    "   \"db\": {\"dbaddr\": \"10.0.0.5\", \"dbport\": \"1433\", \"dbname\": \"ov\",\n"
    "          \"dbusername\": \"sa\", \"dbpassword\": \"secret\"},\n"
    "   \"records\": [{\"st\": \"2026-01-02 03:04:05\", \"et\": \"2026-01-02 04:04:05\",\n"
    "                \"size\": 1048576}],\n"
    "   \"answers\": {\"9\": {\"delayMs\": 1000, \"retcode\": 3,\n"
    "                       \"retcodeFault\": \"none|missing|wrongType\"}}}\n";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

long long numberOf(const std::string& text, const std::string& what) {
    char* end = nullptr;
    errno = 0;
    const long long n = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0) {
        throw UsageError(what + " wants a number, not \"" + text + "\"");
    }
    return n;
}

// "A:B" split at the first ':'.
std::pair<std::string, std::string> pairOf(const std::string& text, char sep, const std::string& what) {
    const std::size_t at = text.find(sep);
    if (at == std::string::npos) {
        throw UsageError(what + " wants two parts separated by '" + std::string(1, sep) + "'");
    }
    return {text.substr(0, at), text.substr(at + 1)};
}

smssim::SimConfig configFrom(int argc, char** argv, bool* quiet) {
    std::vector<std::string> args(argv + 1, argv + argc);
    smssim::SimConfig config;
    // the configuration file first, whatever its place on the line
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--config") {
            if (i + 1 >= args.size()) {
                throw UsageError("--config needs a value");
            }
            config = smssim::loadSimConfig(args[i + 1], config);
        }
    }
    bool usersGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& opt = args[i];
        if (opt == "--no-heartbeat") {
            config.heartbeatAnswers = false;
            continue;
        }
        if (opt == "--quiet") {
            *quiet = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            throw UsageError("unknown option or missing value: " + opt);
        }
        const std::string value = args[++i];
        if (opt == "--config") {
            continue;
        } else if (opt == "--bind") {
            config.bind = value;
        } else if (opt == "--port") {
            const long long port = numberOf(value, opt);
            if (port < 0 || port > 65535) {
                throw UsageError("--port wants 0 to 65535");
            }
            config.port = static_cast<uint16_t>(port);
        } else if (opt == "--user") {
            if (!usersGiven) {
                config.users.clear();
                usersGiven = true;
            }
            const auto parts = pairOf(value, ':', opt);
            config.users.push_back(smssim::SimUser{parts.first, parts.second});
        } else if (opt == "--refuse-login") {
            config.refuseLogin = static_cast<int32_t>(numberOf(value, opt));
        } else if (opt == "--bad-login-code") {
            config.badLoginCode = static_cast<int32_t>(numberOf(value, opt));
        } else if (opt == "--db-port") {
            config.db.port = value;
            config.db.portAsInt32 = false;
        } else if (opt == "--record") {
            const auto first = pairOf(value, ',', opt);
            const auto rest = pairOf(first.second, ',', opt);
            smssim::SimRecord record;
            record.st = first.first;
            record.et = rest.first;
            record.size = numberOf(rest.second, opt);
            config.records.push_back(record);
        } else if (opt == "--delay") {
            const auto parts = pairOf(value, ':', opt);
            config.answers[static_cast<int32_t>(numberOf(parts.first, opt))].delayMs =
                static_cast<int>(numberOf(parts.second, opt));
        } else if (opt == "--retcode") {
            const auto parts = pairOf(value, ':', opt);
            smssim::AnswerScript& script = config.answers[static_cast<int32_t>(numberOf(parts.first, opt))];
            script.retcodeSet = true;
            script.retcode = static_cast<int32_t>(numberOf(parts.second, opt));
        } else {
            throw UsageError("unknown option " + opt);
        }
    }
    return config;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("%s", kUsage);
            return 0;
        }
    }
    try {
        bool quiet = false;
        smssim::SimServer server(configFrom(argc, argv, &quiet));
        if (!quiet) {
            server.setLog([](const std::string& line) {
                std::printf("smssim: %s\n", line.c_str());
                std::fflush(stdout);
            });
        }
        server.start();
        std::printf("smssim: listening on %s\n", server.address().c_str());
        std::fflush(stdout);

        boost::asio::io_context signals;
        boost::asio::signal_set stopOn(signals, SIGINT, SIGTERM);
        stopOn.async_wait([](const boost::system::error_code&, int) {});
        signals.run();

        server.stop();
        for (const smssim::SimPtz& p : server.ptzCommands()) {
            std::printf("smssim: ptz fcode %d chnlid \"%s\" devaddr \"%s\" chnlname \"%s\" cmd %d param %d\n", p.fcode,
                        p.chnlid.c_str(), p.devaddr.c_str(), p.chnlname.c_str(), p.cmd, p.param);
        }
        return 0;
    } catch (const UsageError& e) {
        std::fprintf(stderr, "smssim: %s\n\n%s", e.what(), kUsage);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "smssim: %s\n", e.what());
        return 1;
    }
}
