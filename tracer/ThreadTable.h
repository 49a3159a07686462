// The tracer's table of the target's threads: an open handle per thread, the
// breakpoint it is single-stepping over, and its stack of pending calls.
#pragma once

#include <array>
#include <cstdint>

#include "framework/Array.h"
#include "platform/PlatformTypes.h"

namespace qv {

inline constexpr int32_t kMaxPendingCalls = 256;

struct THREADINFO {
    uint32_t nThreadId = 0;
    Handle hThread = kNullHandle;
    int32_t nPendingBreakPoint = -1;
    std::array<int32_t, kMaxPendingCalls> nCallBreakPoints{};
    std::array<uint32_t, kMaxPendingCalls> nCallStackPointers{};
    int32_t nCallDepth = -1;
};

// Neither null nor one of the pseudo-handles -1 and -2.
bool IsUsableHandle(Handle handle);

class CThreadHandleArray : public CArray<THREADINFO> {
public:
    ~CThreadHandleArray() override;

    int32_t FindThread(uint32_t threadId) const;
    void AddThread(uint32_t threadId);
    void RemoveThread(uint32_t threadId);
    void RemoveAllThreads();
    void SuspendAllThreads(uint32_t threadToLeaveOut);
    void ResumeAllThreads(uint32_t threadToLeaveOut);
    void ResumeThreadFully(int32_t index);
    // One ResumeThread per thread: undoes exactly one SuspendAllThreads.
    void ResumeAllThreadsOnce(uint32_t threadToLeaveOut);
    int32_t GetPendingBreakPoint(uint32_t threadId) const;
    void SetPendingBreakPoint(int32_t index, int32_t breakPointIndex);
    void PushCall(uint32_t threadId, int32_t breakPointIndex);
    int32_t PopCall(uint32_t threadId);
    uint32_t TopCallStackPointer(uint32_t threadId) const;
    // Forgets every pending call and pending step (after a reload renumbers
    // the breakpoint table).
    void ClearPendingCalls();
};

}  // namespace qv
