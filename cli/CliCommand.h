// The command table of quorvane-cli. Each command lives in its own file and
// registers itself with a static CliCommand object.
#pragma once

#include <string>
#include <vector>

namespace qv::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitNotFound = 1;
inline constexpr int kExitUsage = 2;

using CommandFunction = int (*)(const std::vector<std::string>& args);

struct CliCommand {
    CliCommand(const char* name, const char* usage, CommandFunction run);
    const char* name;
    const char* usage;
    CommandFunction run;
};

const std::vector<const CliCommand*>& Commands();

}  // namespace qv::cli
