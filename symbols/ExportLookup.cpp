#include "symbols/ExportLookup.h"

#include "core/TargetAccess.h"
#include "platform/Platform.h"
#include "symbols/ExportDirectory.h"

namespace qv {

std::optional<std::string> GetExportSymbolByAddress(uint64_t address, uint64_t* size) {
    const uint64_t base = GetOwnModuleBase(address);
    if (base == 0) return std::nullopt;
    const OwnImageMemory memory;
    const auto directory = ReadExportDirectory(memory, base);
    if (!directory) return std::nullopt;
    return FindExportByAddress(memory, *directory, address, size);
}

std::optional<std::string> GetExportModuleName(uint64_t address) {
    const uint64_t base = GetOwnModuleBase(address);
    if (base == 0) return std::nullopt;
    const auto directory = ReadExportDirectory(OwnImageMemory(), base);
    if (!directory) return std::nullopt;
    return directory->moduleName;
}

uint64_t GetOwnExportAddress(const std::string& moduleName, const std::string& functionName) {
    IPlatform& platform = Platform();
    const uint64_t module = platform.GetModuleHandle(moduleName.c_str());
    if (module == 0) return 0;
    return platform.GetProcAddress(module, functionName.c_str());
}

std::optional<std::string> GetTargetExportSymbolByAddress(Handle process, uint64_t base, uint64_t address,
                                                          uint64_t* size) {
    const TargetImageMemory memory(process);
    const auto directory = ReadExportDirectory(memory, base);
    if (!directory) return std::nullopt;
    return FindExportByAddress(memory, *directory, address, size);
}

}  // namespace qv
