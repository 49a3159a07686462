// The one symbol lookup: the server's symbol file for modules under the
// server home, export tables for the rest. It knows the tracer only through
// plain inputs: the installation the probe found, the target's process id,
// a module lookup that copies a record out of the module list under the
// list's lock, a sink for the debug messages, and the session's image facts
// (none: read every time).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/PlatformTypes.h"
#include "symbols/ImageFacts.h"
#include "symbols/ModuleList.h"
#include "symbols/ServerInstallation.h"

namespace qv {

// The module of that name (ignoring case), copied; nullopt when none is
// recorded.
using ModuleLookup = std::function<std::optional<MODULEINFOEX>(const std::string& name)>;

class SymbolResolver {
public:
    SymbolResolver(SERVERINSTALLATION installation, uint32_t processId, ModuleLookup findModule,
                   SymbolMessageSink debug, ImageFactsCache* imageFacts = nullptr);

    // By name to an address (0 = not found), by address to a
    // "module!function+offset" text.
    uint64_t ResolveSymbol(uint64_t moduleBase, const std::string& moduleName, const std::string& functionName,
                           uint64_t* size) const;
    std::optional<std::string> ResolveSymbol(uint64_t moduleBase, const std::string& moduleName, uint64_t address,
                                             uint64_t* size) const;
    // The symbol file half alone.
    uint64_t LookupSymbolFile(uint64_t moduleBase, const std::string& moduleName, const std::string& functionName,
                              uint64_t* size) const;
    std::optional<std::string> LookupSymbolFile(uint64_t moduleBase, const std::string& moduleName, uint64_t address,
                                                uint64_t* size) const;

private:
    bool IsServerModule(const MODULEINFOEX& module) const;
    struct TargetExport {
        uint64_t address = 0;
        bool unresolvedForwarder = false;
    };
    TargetExport FindTargetExport(Handle process, uint64_t base, std::string functionName) const;

    SERVERINSTALLATION m_installation;
    uint32_t m_processId;
    ModuleLookup m_findModule;
    SymbolMessageSink m_debug;
    ImageFactsCache* m_imageFacts;
};

}  // namespace qv
