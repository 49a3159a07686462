// The call stack of any thread, when no tracer runs: the frame-pointer
// chain, frames named through the export tables of the tool's own modules.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Wnd.h"

namespace qv {

void LogCallStacks(uint32_t processId, uint32_t threadId, bool logSwitch, CWnd* window, int32_t depth);

// "\t\t0x%x (module!function+offset)\r\n", or with "Unknow!Unknow".
std::string ExportFrameLine(uint64_t address);

}  // namespace qv
