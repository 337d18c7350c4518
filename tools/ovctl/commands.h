#pragma once

#include "args.h"

namespace ovctl {

struct Command {
    const char* name;
    const char* summary;
    const char* usage;  // printed by --help: options and what the command does
    int (*run)(Args& args);
};

// Every command of the tool, in the order --help lists them.
const std::vector<Command>& commands();

int runTypes(Args& args);
extern const char* const kTypesUsage;

int runSmsLogin(Args& args);
int runSmsDb(Args& args);
int runSmsFind(Args& args);
int runSmsPtz(Args& args);
extern const char* const kSmsLoginUsage;
extern const char* const kSmsDbUsage;
extern const char* const kSmsFindUsage;
extern const char* const kSmsPtzUsage;
int runLive(Args& args);
extern const char* const kLiveUsage;

}  // namespace ovctl
