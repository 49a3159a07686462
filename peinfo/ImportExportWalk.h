// The import and export tables of a mapped image, walked into plain records
// that the reports and the file listings format. A walk stops at the first
// structure that doesn't fit the file, or at the first name beyond what the
// file could hold (NameBudget), and keeps what it read before it, so
// a formatter that writes every record writes what a line-by-line walk
// would have written before it stopped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/ByteView.h"

namespace qv {

struct IMPORTEDFUNCTION {
    bool bByOrdinal = false;
    uint16_t nOrdinal = 0;  // by ordinal only
    std::string szName;     // by name only
    uint64_t nSlotRva = 0;  // the function's slot in the import address table
};

struct IMPORTEDMODULE {
    std::string szName;
    std::vector<IMPORTEDFUNCTION> arrFunctions;
};

// The two readings of the import table in use.
enum class ImportWalk {
    // The report's: RVAs through the section table after the optional
    // header; the table ends at a descriptor without an address table; a
    // descriptor without a lookup table lists no functions.
    Report,
    // The file listing's: RVAs through a section table taken to follow a
    // PE32+ optional header; the table ends at an all-zero descriptor; the
    // address table stands in for a missing lookup table.
    Listing,
};

std::vector<IMPORTEDMODULE> WalkImports(ByteView image, ImportWalk walk);

struct EXPORTEDFUNCTION {
    std::string szName;
    uint16_t nOrdinal = 0;      // not read by a names-only walk
    uint32_t nFunctionRva = 0;  // not read by a names-only walk
};

struct EXPORTTABLE {
    std::string szModuleName;
    uint32_t nNumberOfFunctions = 0;
    std::vector<EXPORTEDFUNCTION> arrFunctions;  // in name-table order
};

// Nothing when there is no export directory or its module name doesn't fit.
// A names-only walk reads neither the ordinals nor the function addresses,
// so a broken table of those doesn't end it.
std::optional<EXPORTTABLE> WalkExports(ByteView image, bool namesOnly);

}  // namespace qv
