#include "commands.h"

namespace ovctl {

const std::vector<Command>& commands() {
    static const std::vector<Command> all = {
        {"types", "list device types and which type decodes each stream type", kTypesUsage, runTypes},
        {"live", "open a live channel: show, record, capture and count its stream", kLiveUsage, runLive},
        {"sms-login", "log in to a management server", kSmsLoginUsage, runSmsLogin},
        {"sms-db", "print a management server's database information", kSmsDbUsage, runSmsDb},
        {"sms-find", "search recordings through a management server", kSmsFindUsage, runSmsFind},
        {"sms-ptz", "send a pan-tilt-zoom command through a management server", kSmsPtzUsage, runSmsPtz},
    };
    return all;
}

}  // namespace ovctl
