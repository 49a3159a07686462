#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "cli/CliPlatform.h"
#include "platform/win32/Win32Platform.h"

namespace qv::cli {

void InstallCliPlatform() {
    // The reports end their lines with "\r\n" themselves; a text-mode
    // stdout would turn that into "\r\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
    static win32::Win32Platform platform;
    SetPlatform(&platform);
}

}  // namespace qv::cli
