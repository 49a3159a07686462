#pragma once

namespace qv::cli {

// Installs the platform the command-line tool runs on: the real one on
// Windows, a host-file passthrough machine elsewhere.
void InstallCliPlatform();

}  // namespace qv::cli
