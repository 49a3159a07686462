// The arguments of a call as the call report shows them: argument k is the
// 8-byte stack slot at Rsp + 8k of the calling thread at the function's
// first instruction, rendered by its description. And what a hit's report
// carries from the tables to where it is written.
#pragma once

#include <cstdint>
#include <string>

#include "platform/PlatformTypes.h"
#include "tracer/BreakPointTable.h"

namespace qv {

// The thread of a hit as the loop holds it: the thread table's handle (only
// the loop closes it) and the context read once at the hit, which every
// later step of the hit uses instead of reading the registers again.
struct HitThread {
    uint32_t threadId = 0;
    Handle handle = kNullHandle;
    bool contextRead = false;
    // Zeros when it couldn't be read, as a failed register read gives 0.
    ThreadContext context;
};

// One hit's report: what its lines need, copied from the tables.
struct HitReport {
    bool bEntry = true;
    std::string name;
    HitThread thread;
    // The breakpoint hit.
    uint64_t address = 0;
    // A call: the "User call" line's form, and the return address it shows
    // (0 with return catching on: no line, the address couldn't be read).
    bool returnCatching = false;
    uint64_t returnAddress = 0;
    int32_t stackDepth = 0;
    ArgSpecMap args;
};

// "\t[Args(n)]: \r\n" and one "\t\t...\r\n" per description, the slots
// counted from the hit's stack pointer; empty without descriptions or
// without the process.
std::string RenderArguments(Handle process, uint64_t stackPointer, const ArgSpecMap& args);

}  // namespace qv
