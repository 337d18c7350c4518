// ovctl: a command-line host of the device layer.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <ov/ovnexception.h>
#include <ov/text/gbk.h>

#include "commands.h"

namespace {

void printOverview() {
    std::printf("usage: ovctl <command> [options]\n\ncommands:\n");
    for (const ovctl::Command& c : ovctl::commands()) {
        std::printf("  %-12s %s\n", c.name, c.summary);
    }
    std::printf("\n'ovctl <command> --help' describes a command.\n");
}

const ovctl::Command* findCommand(const char* name) {
    for (const ovctl::Command& c : ovctl::commands()) {
        if (std::strcmp(c.name, name) == 0) {
            return &c;
        }
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printOverview();
        return argc < 2 ? 2 : 0;
    }
    const ovctl::Command* command = findCommand(argv[1]);
    if (command == nullptr) {
        std::fprintf(stderr, "ovctl: unknown command \"%s\"\n\n", argv[1]);
        printOverview();
        return 2;
    }
    ovctl::Args args(std::vector<std::string>(argv + 2, argv + argc));
    if (args.flag("--help") || args.flag("-h")) {
        std::printf("%s", command->usage);
        return 0;
    }
    try {
        return command->run(args);
    } catch (const ovctl::UsageError& e) {
        std::fprintf(stderr, "ovctl %s: %s\n\n%s", command->name, e.what(), command->usage);
        return 2;
    } catch (const OV::ovnexception& e) {
        std::fprintf(stderr, "ovctl %s: error %d: %s\n", command->name, e.code(),
                     ovtext::gbkToUtf8(e.message()).c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ovctl %s: %s\n", command->name, e.what());
        return 1;
    }
}
