#include "symbols/SymbolResolver.h"

#include <utility>

#include "base/AsciiText.h"
#include "core/ProcessHandle.h"
#include "symbols/ExportDirectory.h"
#include "symbols/ExportLookup.h"

namespace qv {

namespace {

// Forwarders chain rarely more than once; the bound stops a loop.
constexpr int kMaxForwarderHops = 8;

}  // namespace

SymbolResolver::SymbolResolver(SERVERINSTALLATION installation, uint32_t processId, ModuleLookup findModule,
                               SymbolMessageSink debug, ImageFactsCache* imageFacts)
    : m_installation(std::move(installation)),
      m_processId(processId),
      m_findModule(std::move(findModule)),
      m_debug(std::move(debug)),
      m_imageFacts(imageFacts) {}

bool SymbolResolver::IsServerModule(const MODULEINFOEX& module) const {
    return m_installation.bFound && !m_installation.szHome.empty() &&
           StartsWithIgnoreCase(module.szPath, m_installation.szHome);
}

// The named export of a module of the target, following forwarders to the
// modules the target has loaded.
SymbolResolver::TargetExport SymbolResolver::FindTargetExport(Handle process, uint64_t base,
                                                              std::string functionName) const {
    const TargetImageMemory memory(process);
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
            dot == std::string::npos ? std::nullopt : m_findModule(found.forwarder.substr(0, dot) + ".dll");
        if (function.empty() || function[0] == '#' || !forwardModule) {
            result.unresolvedForwarder = true;
            return result;
        }
        base = forwardModule->nBase;
        functionName = function;
    }
    return result;
}

uint64_t SymbolResolver::ResolveSymbol(uint64_t moduleBase, const std::string& moduleName,
                                       const std::string& functionName, uint64_t* size) const {
    const std::optional<MODULEINFOEX> module = m_findModule(moduleName);
    if (module && IsServerModule(*module)) {
        if (const uint64_t address = LookupSymbolFile(moduleBase, moduleName, functionName, size)) return address;
    }
    if (!module) return GetOwnExportAddress(moduleName, functionName);

    const ProcessHandle process(m_processId);
    if (process.get() == kNullHandle) return 0;
    const TargetExport found = FindTargetExport(process.get(), module->nBase, functionName);
    // A forwarder into a module the target hasn't announced: the loader of
    // the tool's own process resolves it the same way.
    if (found.unresolvedForwarder) return GetOwnExportAddress(moduleName, functionName);
    return found.address;
}

std::optional<std::string> SymbolResolver::ResolveSymbol(uint64_t moduleBase, const std::string& moduleName,
                                                         uint64_t address, uint64_t* size) const {
    const std::optional<MODULEINFOEX> module = m_findModule(moduleName);
    if (module && IsServerModule(*module)) {
        if (auto text = LookupSymbolFile(moduleBase, moduleName, address, size)) return text;
    }
    if (!module) return GetExportSymbolByAddress(address, size);

    const ProcessHandle process(m_processId);
    if (process.get() == kNullHandle) return std::nullopt;
    return GetTargetExportSymbolByAddress(process.get(), module->nBase, address, size);
}

}  // namespace qv
