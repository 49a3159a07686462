// quorvane-cli: the offline companion. File reports, disassembly and symbol
// file lookups without a target, and a checker for TracePoints.txt.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/CliPlatform.h"

namespace qv::cli {

namespace {
std::vector<const CliCommand*>& Registry() {
    static std::vector<const CliCommand*> commands;
    return commands;
}

void PrintHelp(std::FILE* out) {
    std::fputs("usage: quorvane-cli COMMAND ARGS...\n\ncommands:\n", out);
    for (const CliCommand* command : Registry()) std::fprintf(out, "  %s\n", command->usage);
}
}  // namespace

CliCommand::CliCommand(const char* commandName, const char* commandUsage, CommandFunction commandRun)
    : name(commandName), usage(commandUsage), run(commandRun) {
    Registry().push_back(this);
}

const std::vector<const CliCommand*>& Commands() { return Registry(); }

}  // namespace qv::cli

int main(int argc, char** argv) {
    using namespace qv::cli;
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintHelp(argc < 2 ? stderr : stdout);
        return argc < 2 ? kExitUsage : kExitOk;
    }
    for (const CliCommand* command : Commands()) {
        if (std::strcmp(argv[1], command->name) == 0) {
            InstallCliPlatform();
            return command->run(std::vector<std::string>(argv + 2, argv + argc));
        }
    }
    std::fprintf(stderr, "quorvane-cli: unknown command '%s'\n", argv[1]);
    PrintHelp(stderr);
    return kExitUsage;
}
