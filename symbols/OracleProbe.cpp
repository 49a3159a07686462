// Recognises the database server among targets: its main module's name, its
// home (two directories above the executable) and its major version from
// the marker file beside the executable.
#include <string>

#include "platform/Platform.h"
#include "symbols/AsciiText.h"
#include "tracer/DeamonThread.h"
#include "tracer/OptionFlags.h"
#include "tracer/TargetAccess.h"

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

constexpr const char* kServerExecutable = "ORACLE.EXE";
// "\ORACLE.EXE" and "\BIN": the executable's directory, then the home.
constexpr size_t kExecutableTail = 11;
constexpr size_t kBinTail = 4;

// The text without its last count characters (empty when it is shorter).
std::string DropTail(const std::string& text, size_t count) {
    return text.substr(0, text.size() > count ? text.size() - count : 0);
}

}  // namespace

void CDeamonThread::ProbeOracleHome() {
    m_bOracleFound = false;
    IPlatform& platform = Platform();
    const Handle process = platform.OpenProcess(kProcessQueryInfoAndVmRead, m_nProcessId);
    if (process == kNullHandle) return;

    const auto modules = platform.EnumProcessModules(process);
    const auto baseName =
        modules && !modules->empty() ? platform.GetModuleBaseName(process, modules->front()) : std::nullopt;
    if (baseName && EqualsIgnoreCase(*baseName, kServerExecutable)) {
        m_bOracleFound = true;
        const std::string path =
            platform.GetModuleFileNameEx(process, modules->front()).value_or("").substr(0, kMaxPathChars - 1);
        const std::string directory = DropTail(path, kExecutableTail);

        m_nOracleVersion = 0;
        std::string candidate;
        for (const VersionMarker& marker : kVersionMarkers) {
            candidate = directory + "\\" + marker.fileName;
            if (FileExists(candidate)) {
                if (g_bDebug) Log("Found %s.\r\n", candidate.c_str());
                m_nOracleVersion = marker.version;
                break;
            }
        }
        if (m_nOracleVersion == 0 && g_bDebug) {
            Log("No character file found! The last searching file: %s.\r\n", candidate.c_str());
        }
        m_szOracleHome = DropTail(directory, kBinTail);
    }
    platform.CloseHandle(process);
    if (m_bOracleFound && g_bDebug) Log("Oracle Version: %d.\r\n", m_nOracleVersion);
}

}  // namespace qv
