#include "commands.h"

namespace ovctl {

const std::vector<Command>& commands() {
    static const std::vector<Command> all = {
        {"types", "list device types and which type decodes each stream type", kTypesUsage, runTypes},
        {"live", "open a live channel: show, record, capture and count its stream", kLiveUsage, runLive},
    };
    return all;
}

}  // namespace ovctl
