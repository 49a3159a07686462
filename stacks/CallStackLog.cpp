#include "stacks/CallStackLog.h"

#include "core/TraceLog.h"

namespace qv {

void WriteCallStack(int32_t depth, const FrameAddresses& frames, const FrameLineMaker& lineOf, bool logSwitch,
                    CWnd* window) {
    WriteLog(kLogToWindow, false, logSwitch, window, "\tCall Stacks(%d):\r\n", depth);
    for (const uint64_t address : frames) WriteLog(kLogToWindow, false, logSwitch, window, "%s", lineOf(address).c_str());
}

void LogCallStacks(uint32_t processId, uint32_t threadId, bool logSwitch, CWnd* window, int32_t depth,
                   const FrameLineMaker& lineOf) {
    if (const auto frames = WalkFramePointerChain(processId, threadId, kContextAll, depth)) {
        WriteCallStack(depth, *frames, lineOf, logSwitch, window);
    }
}

}  // namespace qv
