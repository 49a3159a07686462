#include "symbols/ModuleEvents.h"

#include "symbols/AsciiText.h"
#include "tracer/DeamonThread.h"
#include "tracer/TargetAccess.h"

namespace qv {

namespace {

constexpr const char* kServerExecutable = "ORACLE.EXE";
constexpr size_t kDllPathChars = 1024;

}  // namespace

void RecordProcessModule(CDeamonThread& tracer, uint64_t imageBase) {
    if (!tracer.m_bOracleFound) return;
    const uint32_t size = GetImageSize(kServerExecutable);
    const std::string path = tracer.m_szOracleHome + "\\BIN\\" + kServerExecutable;
    TableLock lock(tracer);
    tracer.m_arrModules.AddModule(imageBase, size, kServerExecutable, path);
}

std::optional<std::string> GetLoadedDllPath(CDeamonThread& tracer, Handle file) {
    std::string path;
    if (!tracer.GetFileNameFromHandle(file, path, kDllPathChars)) return std::nullopt;
    return path;
}

void RecordLoadedDll(CDeamonThread& tracer, uint64_t base, const std::string& path) {
    const std::string name(PathFileName(path));
    const uint32_t size = GetImageSize(name);
    TableLock lock(tracer);
    tracer.m_arrModules.AddModule(base, size, name, path);
}

void ForgetProcessModules(CDeamonThread& tracer) {
    if (!tracer.m_bOracleFound) return;
    TableLock lock(tracer);
    tracer.m_arrModules.RemoveAllModules();
}

void ForgetUnloadedDll(CDeamonThread& tracer, uint64_t base) {
    TableLock lock(tracer);
    CModuleArray& modules = tracer.m_arrModules;
    for (int32_t i = 0; i < modules.GetSize(); ++i) {
        if (modules.GetAt(i).nBase == base) {
            modules.RemoveModule(i);
            return;
        }
    }
}

}  // namespace qv
