#include "tracer/ThreadTable.h"

#include "platform/Platform.h"

namespace qv {

namespace {
// What SuspendThread returns when it fails.
constexpr uint32_t kFailedSuspendCount = 0xFFFFFFFF;
}  // namespace

bool IsUsableHandle(Handle handle) {
    return handle != kNullHandle && handle != kCurrentProcessPseudo && handle != kCurrentThreadPseudo;
}

CThreadHandleArray::~CThreadHandleArray() { RemoveAllThreads(); }

int32_t CThreadHandleArray::FindThread(uint32_t threadId) const {
    for (int32_t i = 0; i < GetSize(); ++i) {
        if (GetAt(i).nThreadId == threadId) return i;
    }
    return -1;
}

void CThreadHandleArray::AddThread(uint32_t threadId) {
    IPlatform& platform = Platform();
    if (FindThread(threadId) >= 0 || threadId == platform.GetCurrentThreadId()) return;
    THREADINFO record;
    record.nThreadId = threadId;
    record.hThread = platform.OpenThread(kThreadAllAccess, threadId);
    record.nCallBreakPoints.fill(-1);
    record.nCallStackPointers.fill(0);
    Add(record);
}

void CThreadHandleArray::RemoveThread(uint32_t threadId) {
    const int32_t index = FindThread(threadId);
    if (index < 0) return;
    if (IsUsableHandle(GetAt(index).hThread)) Platform().CloseHandle(GetAt(index).hThread);
    RemoveAt(index);
}

void CThreadHandleArray::RemoveAllThreads() {
    for (int32_t i = GetSize() - 1; i >= 0; --i) {
        if (IsUsableHandle(GetAt(i).hThread)) Platform().CloseHandle(GetAt(i).hThread);
        RemoveAt(i);
    }
}

void CThreadHandleArray::SuspendAllThreads(uint32_t threadToLeaveOut) {
    for (int32_t i = 0; i < GetSize(); ++i) {
        const THREADINFO& record = GetAt(i);
        if (record.nThreadId != threadToLeaveOut && IsUsableHandle(record.hThread)) {
            Platform().SuspendThread(record.hThread);
        }
    }
}

void CThreadHandleArray::ResumeAllThreads(uint32_t threadToLeaveOut) {
    for (int32_t i = 0; i < GetSize(); ++i) {
        if (GetAt(i).nThreadId != threadToLeaveOut) ResumeThreadFully(i);
    }
}

std::vector<uint32_t> CThreadHandleArray::SuspendAllThreadsCounted(uint32_t threadToLeaveOut) {
    std::vector<uint32_t> suspended;
    for (int32_t i = 0; i < GetSize(); ++i) {
        const THREADINFO& record = GetAt(i);
        if (record.nThreadId == threadToLeaveOut || !IsUsableHandle(record.hThread)) continue;
        if (Platform().SuspendThread(record.hThread) != kFailedSuspendCount) suspended.push_back(record.nThreadId);
    }
    return suspended;
}

void CThreadHandleArray::ResumeCountedThreads(const std::vector<uint32_t>& suspended) {
    for (const uint32_t threadId : suspended) {
        const int32_t index = FindThread(threadId);
        if (index >= 0 && IsUsableHandle(GetAt(index).hThread)) Platform().ResumeThread(GetAt(index).hThread);
    }
}

int32_t CThreadHandleArray::EnsureThread(uint32_t threadId) {
    int32_t index = FindThread(threadId);
    if (index < 0) {
        AddThread(threadId);
        index = FindThread(threadId);
    } else if (!IsUsableHandle(GetAt(index).hThread)) {
        ElementAt(index).hThread = Platform().OpenThread(kThreadAllAccess, threadId);
    }
    return index >= 0 && IsUsableHandle(GetAt(index).hThread) ? index : -1;
}

void CThreadHandleArray::ResumeThreadFully(int32_t index) {
    if (!IsValidIndex(index) || !IsUsableHandle(GetAt(index).hThread)) return;
    const Handle thread = GetAt(index).hThread;
    // The previous count is signed here: 0xFFFFFFFF (failure) ends the loop.
    while (static_cast<int32_t>(Platform().ResumeThread(thread)) > 1) {
    }
}

int32_t CThreadHandleArray::GetPendingBreakPoint(uint32_t threadId) const {
    const int32_t index = FindThread(threadId);
    return index < 0 ? -1 : GetAt(index).nPendingBreakPoint;
}

void CThreadHandleArray::SetPendingBreakPoint(int32_t index, int32_t breakPointIndex, uint64_t address) {
    if (!IsValidIndex(index)) return;
    ElementAt(index).nPendingBreakPoint = breakPointIndex;
    ElementAt(index).nPendingAddress = breakPointIndex < 0 ? 0 : address;
}

bool CThreadHandleArray::IsSteppingOver(uint64_t address) const {
    for (int32_t i = 0; i < GetSize(); ++i) {
        if (GetAt(i).nPendingBreakPoint >= 0 && GetAt(i).nPendingAddress == address) return true;
    }
    return false;
}

void CThreadHandleArray::PushCall(uint32_t threadId, int32_t breakPointIndex, uint64_t stackPointer,
                                  uint64_t returnAddress) {
    const int32_t index = FindThread(threadId);
    if (index < 0 || GetAt(index).nCallDepth >= kMaxPendingCalls - 1) return;
    THREADINFO& record = ElementAt(index);
    ++record.nCallDepth;
    record.nCallBreakPoints[static_cast<size_t>(record.nCallDepth)] = breakPointIndex;
    record.nCallStackPointers[static_cast<size_t>(record.nCallDepth)] = static_cast<uint32_t>(stackPointer);
    record.nCallReturnAddresses[static_cast<size_t>(record.nCallDepth)] = returnAddress;
}

int32_t CThreadHandleArray::PopCall(uint32_t threadId) {
    const int32_t index = FindThread(threadId);
    if (index < 0 || GetAt(index).nCallDepth < 0) return -1;
    THREADINFO& record = ElementAt(index);
    const auto top = static_cast<size_t>(record.nCallDepth);
    const int32_t breakPointIndex = record.nCallBreakPoints[top];
    record.nCallBreakPoints[top] = -1;
    record.nCallStackPointers[top] = 0;
    record.nCallReturnAddresses[top] = 0;
    --record.nCallDepth;
    return breakPointIndex;
}

uint32_t CThreadHandleArray::TopCallStackPointer(uint32_t threadId) const {
    const int32_t index = FindThread(threadId);
    if (index < 0 || GetAt(index).nCallDepth < 0) return 0;
    const THREADINFO& record = GetAt(index);
    return record.nCallStackPointers[static_cast<size_t>(record.nCallDepth)];
}

void CThreadHandleArray::ClearPendingCalls() {
    for (int32_t i = 0; i < GetSize(); ++i) {
        THREADINFO& record = ElementAt(i);
        record.nCallBreakPoints.fill(-1);
        record.nCallStackPointers.fill(0);
        record.nCallReturnAddresses.fill(0);
        record.nCallDepth = -1;
    }
}

std::vector<uint64_t> CThreadHandleArray::PendingReturnAddresses(uint32_t threadId) const {
    std::vector<uint64_t> addresses;
    const int32_t index = FindThread(threadId);
    if (index < 0) return addresses;
    const THREADINFO& record = GetAt(index);
    for (int32_t call = 0; call <= record.nCallDepth; ++call) {
        const uint64_t address = record.nCallReturnAddresses[static_cast<size_t>(call)];
        if (address != 0) addresses.push_back(address);
    }
    return addresses;
}

bool CThreadHandleArray::IsReturnPending(uint64_t address) const {
    for (int32_t i = 0; i < GetSize(); ++i) {
        const THREADINFO& record = GetAt(i);
        for (int32_t call = 0; call <= record.nCallDepth; ++call) {
            if (record.nCallReturnAddresses[static_cast<size_t>(call)] == address) return true;
        }
    }
    return false;
}

void CThreadHandleArray::ForgetBreakPoint(int32_t breakPointIndex) {
    for (int32_t i = 0; i < GetSize(); ++i) {
        THREADINFO& record = ElementAt(i);
        for (int32_t call = 0; call <= record.nCallDepth; ++call) {
            int32_t& entry = record.nCallBreakPoints[static_cast<size_t>(call)];
            if (entry == breakPointIndex) {
                entry = -1;
            } else if (entry > breakPointIndex) {
                --entry;
            }
        }
    }
}

}  // namespace qv
