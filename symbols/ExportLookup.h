// Export-table lookups. The own-process forms find the module among the
// tool's own modules and deal in own-process addresses (right for the target
// wherever a module sits at the same address in both); the target forms read
// the export directory out of the traced process at a module's base.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/PlatformTypes.h"

namespace qv {

// "module!function+offset" for an address of the tool's own process.
std::optional<std::string> GetExportSymbolByAddress(uint64_t address, uint64_t* size);
// The name in the export directory of the own module that holds address.
std::optional<std::string> GetExportModuleName(uint64_t address);
// GetModuleHandle + GetProcAddress in the tool's own process; 0 when either fails.
uint64_t GetOwnExportAddress(const std::string& moduleName, const std::string& functionName);

// The same answers from the image loaded at base in the traced process.
std::optional<std::string> GetTargetExportSymbolByAddress(Handle process, uint64_t base, uint64_t address,
                                                          uint64_t* size);

}  // namespace qv
