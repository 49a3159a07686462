// The tracer's table of the target's threads: an open handle per thread, the
// breakpoint it is single-stepping over, and its stack of pending calls.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "framework/Array.h"
#include "platform/PlatformTypes.h"

namespace qv {

inline constexpr int32_t kMaxPendingCalls = 256;

struct THREADINFO {
    uint32_t nThreadId = 0;
    Handle hThread = kNullHandle;
    int32_t nPendingBreakPoint = -1;
    // The address whose saved byte is in place for that step. It names the
    // record when the step ends: indexes shift when records are deleted or
    // the file is reloaded, addresses don't.
    uint64_t nPendingAddress = 0;
    std::array<int32_t, kMaxPendingCalls> nCallBreakPoints{};
    std::array<uint32_t, kMaxPendingCalls> nCallStackPointers{};
    // Where each pending call returns to (0: not known), so that the
    // return-address breakpoints of a thread that ends can be taken out.
    std::array<uint64_t, kMaxPendingCalls> nCallReturnAddresses{};
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
    // A bracket that undoes exactly its own suspension: the ids of the
    // threads whose SuspendThread succeeded, each resumed once afterwards.
    // Holds taken by anyone else (a pending single step) stay in place.
    std::vector<uint32_t> SuspendAllThreadsCounted(uint32_t threadToLeaveOut);
    void ResumeCountedThreads(const std::vector<uint32_t>& suspended);
    // The record of a thread with a usable handle: added when the table
    // missed the thread, its handle opened again when the first open
    // failed; -1 when no handle can be had.
    int32_t EnsureThread(uint32_t threadId);
    int32_t GetPendingBreakPoint(uint32_t threadId) const;
    void SetPendingBreakPoint(int32_t index, int32_t breakPointIndex, uint64_t address = 0);
    // Whether a thread is single-stepping over the byte at address.
    bool IsSteppingOver(uint64_t address) const;
    // The low 32 bits of the thread's stack pointer at the call are kept.
    void PushCall(uint32_t threadId, int32_t breakPointIndex, uint64_t stackPointer, uint64_t returnAddress = 0);
    int32_t PopCall(uint32_t threadId);
    uint32_t TopCallStackPointer(uint32_t threadId) const;
    // The known return addresses of a thread's pending calls.
    std::vector<uint64_t> PendingReturnAddresses(uint32_t threadId) const;
    // Whether any pending call of any thread returns to address.
    bool IsReturnPending(uint64_t address) const;
    // A breakpoint record was removed: pending calls of it are forgotten,
    // those of the records after it follow them down one place.
    void ForgetBreakPoint(int32_t breakPointIndex);
    // Forgets every pending call (after a reload renumbers the breakpoint
    // table). Pending steps stay: each still holds threads until it ends.
    void ClearPendingCalls();
};

}  // namespace qv
