// The export directory of a PE32+ image loaded in memory, copied out of the
// image into plain tables and read with bounds checks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "symbols/ImageMemory.h"

namespace qv {

struct ExportDirectory {
    uint64_t base = 0;
    uint32_t directoryRva = 0;
    uint32_t directorySize = 0;
    std::string moduleName;
    std::vector<uint32_t> functionRvas;
    std::vector<uint32_t> nameRvas;
    std::vector<uint16_t> nameOrdinals;
};

// nullopt when the headers or the directory can't be read, the image has no
// PE signature or no export directory, or it exports no function.
std::optional<ExportDirectory> ReadExportDirectory(const ImageMemory& memory, uint64_t base);

// "module!name+offset" for the named export at or below address, where a
// higher named export closes its extent; the size out gets that extent.
std::optional<std::string> FindExportByAddress(const ImageMemory& memory, const ExportDirectory& directory,
                                               uint64_t address, uint64_t* size);

struct ExportByName {
    uint64_t address = 0;   // 0 when not exported
    std::string forwarder;  // "MODULE.Function" for a forwarded export
};

// The export of that exact name; the first in name-table order.
ExportByName FindExportByName(const ImageMemory& memory, const ExportDirectory& directory, std::string_view name);

}  // namespace qv
