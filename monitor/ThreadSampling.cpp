#include "monitor/ThreadInfo.h"
#include "platform/Platform.h"

namespace qv {

int32_t CThreadArray::FindByTID(uint32_t threadId) const {
    for (int32_t index = 0; index < GetSize(); ++index) {
        if (GetAt(index).m_nTID == threadId) return index;
    }
    return -1;
}

void SampleThreads(IPlatform& platform, uint32_t processId, CThreadArray& samples) {
    samples.RemoveAll();
    // The system snapshot: every thread of the machine, picked by owner.
    const auto threads = platform.SnapshotThreads(0);
    if (!threads) return;
    for (const ThreadEntry& entry : *threads) {
        if (entry.th32OwnerProcessID != processId) continue;
        CThreadInfo sample;
        sample.m_nTID = entry.th32ThreadID;
        const Handle thread = platform.OpenThread(kThreadQueryInformation, entry.th32ThreadID);
        if (thread != kNullHandle) {
            if (const auto times = platform.GetThreadTimes(thread)) {
                sample.m_ftCreation = times->ftCreation;
                sample.m_ftExit = times->ftExit;
                sample.m_ftKernel = times->ftKernel;
                sample.m_ftUser = times->ftUser;
            }
            sample.m_bIOPending = platform.GetThreadIOPendingFlag(thread).value_or(false);
            const int32_t priority = platform.GetThreadPriority(thread);
            sample.m_nPriority = priority == kThreadPriorityErrorReturn ? 0 : priority;
            sample.m_nCycles = platform.QueryThreadCycleTime(thread).value_or(0);
            platform.CloseHandle(thread);
        }
        sample.m_nSampleTick = platform.QueryPerformanceCounter();
        samples.Add(std::move(sample));
    }
}

}  // namespace qv
