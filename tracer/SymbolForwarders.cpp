// The tracer's symbol operations: short forwarders to the probe, the
// resolver and the file name lookup of symbols/, fed from the tracer's own
// members and tables.
#include "core/OptionFlags.h"
#include "symbols/ModuleFileName.h"
#include "symbols/SymbolResolver.h"
#include "tracer/DeamonThread.h"

namespace qv {

namespace {

SymbolMessageSink DebugSink(CDeamonThread& tracer) {
    return [&tracer](const std::string& message) {
        if (g_bDebug) tracer.Log("%s", message.c_str());
    };
}

SERVERINSTALLATION InstallationOf(const CDeamonThread& tracer) {
    SERVERINSTALLATION installation;
    installation.bFound = tracer.m_bOracleFound;
    installation.szHome = tracer.m_szOracleHome;
    installation.nVersion = tracer.m_nOracleVersion;
    return installation;
}

// The module list is read under the lock; the lookups run on the copy.
SymbolResolver ResolverOf(CDeamonThread& tracer) {
    ModuleLookup findModule = [&tracer](const std::string& name) { return tracer.CopyModule(name); };
    return SymbolResolver(InstallationOf(tracer), tracer.m_nProcessId, std::move(findModule), DebugSink(tracer),
                          &tracer.m_imageFacts);
}

}  // namespace

std::optional<MODULEINFOEX> CDeamonThread::CopyModule(const std::string& name) {
    TableLock lock(*this);
    const int32_t index = m_arrModules.FindModule(name);
    if (index < 0) return std::nullopt;
    return m_arrModules.GetAt(index);
}

void CDeamonThread::ProbeOracleHome() {
    const SERVERINSTALLATION found = ProbeServerInstallation(m_nProcessId, DebugSink(*this));
    // Home and version keep their old values when the target isn't the server.
    m_bOracleFound = found.bFound;
    if (!found.bFound) return;
    m_szOracleHome = found.szHome;
    m_nOracleVersion = found.nVersion;
}

bool CDeamonThread::GetFileNameFromHandle(Handle file, std::string& name, size_t outputSize) {
    return FilePathFromHandle(file, name, outputSize);
}

uint64_t CDeamonThread::ResolveSymbol(uint64_t moduleBase, const std::string& moduleName,
                                      const std::string& functionName, uint64_t* size) {
    return ResolverOf(*this).ResolveSymbol(moduleBase, moduleName, functionName, size);
}

std::optional<std::string> CDeamonThread::ResolveSymbol(uint64_t moduleBase, const std::string& moduleName,
                                                        uint64_t address, uint64_t* size) {
    return ResolverOf(*this).ResolveSymbol(moduleBase, moduleName, address, size);
}

uint64_t CDeamonThread::LookupSymbolFile(uint64_t moduleBase, const std::string& moduleName,
                                         const std::string& functionName, uint64_t* size) {
    return ResolverOf(*this).LookupSymbolFile(moduleBase, moduleName, functionName, size);
}

std::optional<std::string> CDeamonThread::LookupSymbolFile(uint64_t moduleBase, const std::string& moduleName,
                                                           uint64_t address, uint64_t* size) {
    return ResolverOf(*this).LookupSymbolFile(moduleBase, moduleName, address, size);
}

}  // namespace qv
