// The one symbol lookup: the server's symbol file for modules under the
// server home, export tables for the rest.
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "symbols/AsciiText.h"
#include "symbols/ExportDirectory.h"
#include "symbols/ExportLookup.h"
#include "tracer/DeamonThread.h"
#include "tracer/ProcessHandle.h"

namespace qv {

namespace {

// Forwarders chain rarely more than once; the bound stops a loop.
constexpr int kMaxForwarderHops = 8;

bool IsServerModule(const CDeamonThread& tracer, const MODULEINFOEX& module) {
    return tracer.m_bOracleFound && !tracer.m_szOracleHome.empty() &&
           StartsWithIgnoreCase(module.szPath, tracer.m_szOracleHome);
}

struct TargetExport {
    uint64_t address = 0;
    bool unresolvedForwarder = false;
};

// The named export of a module of the target, following forwarders to the
// modules the target has loaded.
TargetExport FindTargetExport(CDeamonThread& tracer, const TargetImageMemory& memory, uint64_t base,
                              std::string functionName) {
    TargetExport result;
    for (int hop = 0; hop < kMaxForwarderHops; ++hop) {
        const auto directory = ReadExportDirectory(memory, base);
        if (!directory) return result;
        const ExportByName found = FindExportByName(memory, *directory, functionName);
        if (found.forwarder.empty()) {
            result.address = found.address;
            return result;
        }
        const size_t dot = found.forwarder.rfind('.');
        const std::string function = dot == std::string::npos ? std::string() : found.forwarder.substr(dot + 1);
        const auto forwardModule =
            dot == std::string::npos ? std::nullopt
                                     : tracer.CopyModule(found.forwarder.substr(0, dot) + ".dll");
        if (function.empty() || function[0] == '#' || !forwardModule) {
            result.unresolvedForwarder = true;
            return result;
        }
        base = forwardModule->nBase;
        functionName = function;
    }
    return result;
}

}  // namespace

uint64_t CDeamonThread::ResolveSymbol(uint64_t moduleBase, const std::string& moduleName,
                                      const std::string& functionName, uint64_t* size) {
    const std::optional<MODULEINFOEX> module = CopyModule(moduleName);
    if (module && IsServerModule(*this, *module)) {
        if (const uint64_t address = LookupSymbolFile(moduleBase, moduleName, functionName, size)) return address;
    }
    if (!module) return GetOwnExportAddress(moduleName, functionName);

    const ProcessHandle process(m_nProcessId);
    if (process.get() == kNullHandle) return 0;
    const TargetExport found = FindTargetExport(*this, TargetImageMemory(process.get()), module->nBase, functionName);
    // A forwarder into a module the target hasn't announced: the loader of
    // the tool's own process resolves it the same way.
    if (found.unresolvedForwarder) return GetOwnExportAddress(moduleName, functionName);
    return found.address;
}

std::optional<std::string> CDeamonThread::ResolveSymbol(uint64_t moduleBase, const std::string& moduleName,
                                                        uint64_t address, uint64_t* size) {
    const std::optional<MODULEINFOEX> module = CopyModule(moduleName);
    if (module && IsServerModule(*this, *module)) {
        if (auto text = LookupSymbolFile(moduleBase, moduleName, address, size)) return text;
    }
    if (!module) return GetExportSymbolByAddress(address, size);

    const ProcessHandle process(m_nProcessId);
    if (process.get() == kNullHandle) return std::nullopt;
    return GetTargetExportSymbolByAddress(process.get(), module->nBase, address, size);
}

}  // namespace qv
