#include "cli/CliPlatform.h"
#include "platform/win32/Win32Platform.h"

namespace qv::cli {

void InstallCliPlatform() {
    static win32::Win32Platform platform;
    SetPlatform(&platform);
}

}  // namespace qv::cli
