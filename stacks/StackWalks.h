// Finding the frames of a thread of the target. A frame is shown by the
// address at which a 5-byte near call to it would start: its return
// address minus 5 (for the first frame of the symbolic walk, the thread's
// instruction pointer minus 5). A walk that is not to write anything (depth
// 0, a handle or context that can't be had, a frame pointer outside the
// stack) gives nothing; otherwise the frame addresses, which may be none.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/PlatformTypes.h"

namespace qv {

using FrameAddresses = std::vector<uint64_t>;

// The platform's stack walker over the unwind data of the images, on the
// symbol handler's process, from the thread's context as the caller read it
// (the hit path has it already). A negative depth walks to the end. A
// thread stopped by a breakpoint at stoppedAt (0: none) has its instruction
// pointer one byte past it, in the middle of an instruction that never ran;
// the unwind starts from stoppedAt, where the function's state is what its
// unwind data describes.
FrameAddresses WalkThreadStack(Handle process, Handle thread, ThreadContext context, int32_t depth,
                               uint64_t stoppedAt = 0);

// The saved frame-pointer chain: the return address on top of the stack,
// then the return address beside each saved frame pointer, within the
// thread's stack bounds. Each frame pointer must lie strictly above the one
// before it; a chain that goes back or loops ends there.
std::optional<FrameAddresses> WalkFramePointerChain(uint32_t processId, uint32_t threadId, uint32_t contextFlags,
                                                    int32_t depth);

}  // namespace qv
