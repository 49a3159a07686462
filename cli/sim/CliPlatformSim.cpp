#include <filesystem>

#include "cli/CliPlatform.h"
#include "platform/sim/SimMachine.h"

namespace qv::cli {

void InstallCliPlatform() {
    // Relative and absolute host paths resolve as given; drive paths map
    // below the root folder.
    static sim::SimMachine machine(std::filesystem::path("/"));
    machine.SetCurrentDirectory(std::filesystem::current_path().string());
    SetPlatform(&machine);
}

}  // namespace qv::cli
