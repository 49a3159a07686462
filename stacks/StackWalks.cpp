#include "stacks/StackWalks.h"

#include "platform/Platform.h"
#include "core/TargetAccess.h"

namespace qv {

namespace {

constexpr uint64_t kNearCallLength = 5;

bool WantsMore(int32_t depth, size_t written) { return depth < 0 || written < static_cast<size_t>(depth); }

// Closes a handle of this walk when the walk is done.
class OwnedHandle {
public:
    explicit OwnedHandle(Handle handle) : m_handle(handle) {}
    ~OwnedHandle() {
        if (m_handle != kNullHandle) Platform().CloseHandle(m_handle);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    Handle get() const { return m_handle; }

private:
    Handle m_handle;
};

}  // namespace

FrameAddresses WalkThreadStack(Handle process, Handle thread, ThreadContext context, int32_t depth,
                               uint64_t stoppedAt) {
    IPlatform& platform = Platform();
    if (stoppedAt != 0 && context.Rip == stoppedAt + 1) context.Rip = stoppedAt;
    StackFrame64 frame;
    frame.AddrPC = context.Rip;
    frame.AddrReturn = context.Rip;
    frame.AddrFrame = context.Rbp;
    frame.AddrStack = context.Rsp;
    frame.AddrBStore = frame.AddrFrame;
    FrameAddresses frames;
    while (WantsMore(depth, frames.size())) {
        if (!platform.StackWalk64(kImageFileMachineAmd64, process, thread, frame, context)) break;
        if (frame.AddrFrame == 0) break;
        frames.push_back(frame.AddrPC - kNearCallLength);
    }
    return frames;
}

std::optional<FrameAddresses> WalkFramePointerChain(uint32_t processId, uint32_t threadId, uint32_t contextFlags,
                                                    int32_t depth) {
    if (depth == 0) return std::nullopt;
    IPlatform& platform = Platform();
    const OwnedHandle process(platform.OpenProcess(kProcessAllAccess, processId));
    if (process.get() == kNullHandle) return std::nullopt;
    const OwnedHandle thread(platform.OpenThread(kThreadAllAccess, threadId));
    if (thread.get() == kNullHandle) return std::nullopt;
    const uint64_t stackBase = GetThreadStackBase(process.get(), thread.get());
    const uint64_t stackLimit = GetThreadStackLimit(process.get(), thread.get());
    ThreadContext context;
    context.ContextFlags = contextFlags;
    if (!platform.GetThreadContext(thread.get(), context)) return std::nullopt;
    uint64_t framePointer = context.Rbp;
    if (framePointer < stackLimit || framePointer > stackBase) return std::nullopt;
    uint64_t address = ReadTargetQword(process.get(), context.Rsp) - kNearCallLength;
    FrameAddresses frames;
    while (framePointer >= stackLimit && address != 0) {
        frames.push_back(address);
        const uint64_t next = ReadTargetQword(process.get(), framePointer);
        address = ReadTargetQword(process.get(), framePointer + 8) - kNearCallLength;
        // A frame pointer that doesn't move outwards would walk in a circle.
        if (next <= framePointer) break;
        framePointer = next;
        if (!WantsMore(depth, frames.size()) || framePointer > stackBase) break;
    }
    return frames;
}

}  // namespace qv
