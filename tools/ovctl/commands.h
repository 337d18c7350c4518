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

int runLive(Args& args);
extern const char* const kLiveUsage;

}  // namespace ovctl
