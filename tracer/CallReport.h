// The arguments of a call as the call report shows them: argument k is the
// 8-byte stack slot at Rsp + 8k of the calling thread at the function's
// first instruction, rendered by its description.
#pragma once

#include <cstdint>
#include <string>

#include "tracer/BreakPointTable.h"

namespace qv {

// "\t[Args(n)]: \r\n" and one "\t\t...\r\n" per description; empty without
// descriptions or when the process or thread can't be opened.
std::string RenderArguments(uint32_t processId, uint32_t threadId, const ArgSpecMap& args);

}  // namespace qv
