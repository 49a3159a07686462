// The database server installation as the probe found it for one target,
// and the sink that the symbol operations write their debug messages to.
// The server executable's name lives here and nowhere else.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qv {

struct SERVERINSTALLATION {
    static constexpr const char* kExecutable = "ORACLE.EXE";

    bool bFound = false;  // the target's main module is the server executable
    std::string szHome;   // the directory above the executable's; only when found
    int32_t nVersion = 0; // 9, 10 or 11 from the version marker, 0 without one
};

// Receives one finished message at a time; the tracer shows them in its
// debug mode.
using SymbolMessageSink = std::function<void(const std::string& message)>;

// Recognises the server among targets: its main module's name, its home
// (two directories above the executable) and its major version from the
// marker file beside the executable. Nothing found when the process can't
// be opened.
SERVERINSTALLATION ProbeServerInstallation(uint32_t processId, const SymbolMessageSink& debug);

}  // namespace qv
