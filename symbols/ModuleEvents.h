// The module list's side of the debug events. The loop calls one function
// per event kind; each takes the table lock itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/PlatformTypes.h"

namespace qv {

class CDeamonThread;

// Process created: a server target gets its executable recorded under its
// home; any other target's executable is not recorded.
void RecordProcessModule(CDeamonThread& tracer, uint64_t imageBase);

// DLL loaded, step 1: the drive-letter path of the DLL's file, or nullopt
// when it can't be obtained (the DLL is then not recorded). The loop writes
// its "DLL loaded" line with the path, then calls RecordLoadedDll.
std::optional<std::string> GetLoadedDllPath(CDeamonThread& tracer, Handle file);
// DLL loaded, step 2: records the DLL under its file name (the first module
// of a name stays).
void RecordLoadedDll(CDeamonThread& tracer, uint64_t base, const std::string& path);

// Process exited: a server target's list is emptied.
void ForgetProcessModules(CDeamonThread& tracer);

// DLL unloaded: the record loaded at that base goes.
void ForgetUnloadedDll(CDeamonThread& tracer, uint64_t base);

}  // namespace qv
