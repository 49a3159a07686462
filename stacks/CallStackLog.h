// Writing a call stack to the log: the header "\tCall Stacks(%d):" with the
// depth as asked, then one line per frame, each made by the caller's
// naming rule.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "framework/Wnd.h"
#include "stacks/StackWalks.h"

namespace qv {

// The whole log line ("\t\t0x... (...)\r\n") for one frame address.
using FrameLineMaker = std::function<std::string(uint64_t frameAddress)>;

void WriteCallStack(int32_t depth, const FrameAddresses& frames, const FrameLineMaker& lineOf, bool logSwitch,
                    CWnd* window);

// The frame-pointer chain of any thread of any process, needing no tracer.
void LogCallStacks(uint32_t processId, uint32_t threadId, bool logSwitch, CWnd* window, int32_t depth,
                   const FrameLineMaker& lineOf);

}  // namespace qv
