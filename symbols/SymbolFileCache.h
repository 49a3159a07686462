// Opening the server's symbol files: where a module's file lies under the
// server home, and the parsed files kept across lookups until the file on
// disk changes (size or last write time).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "symbols/SymbolFile.h"

namespace qv {

// "ORACLE.EXE" -> "ORACLE.SYM": a name holding a dot has its last three
// characters replaced; a name without one is used as it is.
std::string SymbolFileNameFor(const std::string& moduleName);

// home\RDBMS\ADMIN\<file> when that file exists, else home\BIN\<file>.
std::string LocateSymbolFile(const std::string& home, const std::string& moduleName);

// The parsed file at path (null inside when it is not a well-formed symbol
// file), or nullopt when it can't be opened, mapped or viewed; the failure's
// message is appended.
std::optional<std::shared_ptr<const SymbolTable>> OpenSymbolFile(const std::string& path, bool hasTimeStamp,
                                                                  SymbolMessages& messages);

// Forgets every parsed file (tests).
void ClearSymbolFileCache();

}  // namespace qv
