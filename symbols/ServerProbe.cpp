#include <cstring>
#include <string>

#include "base/AsciiText.h"
#include "core/StringFormat.h"
#include "core/TargetAccess.h"
#include "platform/Platform.h"
#include "symbols/ModuleList.h"
#include "symbols/ServerInstallation.h"

namespace qv {

namespace {

struct VersionMarker {
    const char* fileName;
    int32_t version;
};

// Tried in this order; the first one present decides.
constexpr VersionMarker kVersionMarkers[] = {
    {"orapls9.dll", 9},
    {"orapls10.dll", 10},
    {"orapls11.dll", 11},
};

// "\<executable>" and "\BIN": the executable's directory, then the home.
const size_t kExecutableTail = 1 + std::strlen(SERVERINSTALLATION::kExecutable);
constexpr size_t kBinTail = 4;

// The text without its last count characters (empty when it is shorter).
std::string DropTail(const std::string& text, size_t count) {
    return text.substr(0, text.size() > count ? text.size() - count : 0);
}

}  // namespace

SERVERINSTALLATION ProbeServerInstallation(uint32_t processId, const SymbolMessageSink& debug) {
    SERVERINSTALLATION installation;
    IPlatform& platform = Platform();
    const Handle process = platform.OpenProcess(kProcessQueryInfoAndVmRead, processId);
    if (process == kNullHandle) return installation;

    const auto modules = platform.EnumProcessModules(process);
    const auto baseName =
        modules && !modules->empty() ? platform.GetModuleBaseName(process, modules->front()) : std::nullopt;
    if (baseName && EqualsIgnoreCase(*baseName, SERVERINSTALLATION::kExecutable)) {
        installation.bFound = true;
        const std::string path =
            platform.GetModuleFileNameEx(process, modules->front()).value_or("").substr(0, kMaxPathChars - 1);
        const std::string directory = DropTail(path, kExecutableTail);

        std::string candidate;
        for (const VersionMarker& marker : kVersionMarkers) {
            candidate = directory + "\\" + marker.fileName;
            if (FileExists(candidate)) {
                debug(FormatString("Found %s.\r\n", candidate.c_str()));
                installation.nVersion = marker.version;
                break;
            }
        }
        if (installation.nVersion == 0) {
            debug(FormatString("No character file found! The last searching file: %s.\r\n", candidate.c_str()));
        }
        installation.szHome = DropTail(directory, kBinTail);
    }
    platform.CloseHandle(process);
    if (installation.bFound) debug(FormatString("Oracle Version: %d.\r\n", installation.nVersion));
    return installation;
}

}  // namespace qv
