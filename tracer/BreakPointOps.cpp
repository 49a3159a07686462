// The breakpoint table's operations on the target: planting, stepping over,
// disarming, enabling and disabling 0xCC bytes. Every write to the target's
// code happens while the recorded threads are suspended.
#include <cstdint>
#include <vector>

#include "core/OptionFlags.h"
#include "core/ProcessHandle.h"
#include "core/TargetAccess.h"
#include "platform/Platform.h"
#include "tracer/DeamonThread.h"

namespace qv {

void CDeamonThread::ArmBreakPoint(Handle process, int32_t index) {
    TableLock lock(*this);
    if (!m_arrBreakPoints.IsValidIndex(index)) return;
    BREAKPOINTINFO record = m_arrBreakPoints.GetAt(index);
    if (!record.bEnabled || record.bArmed) return;
    // A thread single-stepping over this address runs the original byte
    // now; the end of its step arms the record.
    if (m_arrThreads.IsSteppingOver(record.nAddress)) return;
    // Threads held for a pending single step must stay held until it ends:
    // undo only this bracket's own suspension, whoever calls.
    const std::vector<uint32_t> suspended = m_arrThreads.SuspendAllThreadsCounted(0);
    uint8_t saved = 0;
    const Int3Write planted = SaveAndWriteInt3(process, record.nAddress, saved);
    if (planted == Int3Write::NotRead) {
        record.pOrigBytes.clear();
        record.nOrigBytes = 0;
    } else {
        record.pOrigBytes.assign(1, saved);
        record.nOrigBytes = 1;
    }
    if (planted == Int3Write::Written) {
        record.bArmed = true;
        m_plantedAddresses.insert(record.nAddress);
    }
    m_arrThreads.ResumeCountedThreads(suspended);
    m_arrBreakPoints.SetAt(index, std::move(record));
}

void CDeamonThread::SetTracePoints() {
    TableLock lock(*this);
    ProcessHandle process(m_nProcessId);
    for (int32_t i = 0; i < m_arrBreakPoints.GetSize(); ++i) ArmBreakPoint(process.get(), i);
}

void CDeamonThread::StepOverBreakPoint(Handle process, uint32_t threadId, int32_t index,
                                       const std::optional<ThreadContext>& hitContext) {
    TableLock lock(*this);
    if (!m_arrBreakPoints.IsValidIndex(index)) return;
    BREAKPOINTINFO record = m_arrBreakPoints.GetAt(index);
    // A disabled record whose byte could not be put back is still stepped
    // over: the hit is ours, and passing it on would end the target.
    if (!record.bArmed) return;
    bool stepping = false;
    const int32_t threadIndex = m_arrThreads.EnsureThread(threadId);
    if (threadIndex >= 0) {
        // The thread stands in its debug event. Only a hit queued while
        // another thread stepped finds it held by that step's suspension,
        // which must go, or the thread could never take its own step.
        const bool heldForOtherStep = OtherStepPending(threadId);
        if (hitContext) {
            ThreadContext context = *hitContext;
            context.Rip = record.nAddress;
            context.EFlags |= kTrapFlag;
            stepping = Platform().SetThreadContext(m_arrThreads.GetAt(threadIndex).hThread, context);
        }
        // Only a step that was really set up is pending; nothing else would
        // ever end it and release the threads held for it.
        if (stepping) {
            m_steppingThreads.insert(threadId);
            m_arrThreads.SetPendingBreakPoint(threadIndex, index, record.nAddress);
        }
        if (heldForOtherStep) m_arrThreads.ResumeThreadFully(threadIndex);
    }
    if (WriteTargetMemory(process, record.nAddress, record.pOrigBytes.data(), record.nOrigBytes)) {
        record.bArmed = false;
    }
    m_arrBreakPoints.SetAt(index, std::move(record));
    if (!stepping) {
        // No single step will end this hit: the thread runs the original
        // instruction from its start, and what was held for it goes now.
        RewindThreadToBreakPoint(threadId, m_arrBreakPoints.GetAt(index).nAddress);
        ReleaseThreadsAfterStep(threadId);
    }
}

void CDeamonThread::DeleteBreakPoint(Handle process, int32_t index, bool remove) {
    TableLock lock(*this);
    if (!m_arrBreakPoints.IsValidIndex(index)) return;
    const std::vector<uint32_t> suspended = m_arrThreads.SuspendAllThreadsCounted(0);
    if (g_bDetail || g_bDebug) Log("Deleting breakpoint %d. \r\n", index);
    BREAKPOINTINFO record = m_arrBreakPoints.GetAt(index);
    if (record.bArmed) {
        if (WriteTargetMemory(process, record.nAddress, record.pOrigBytes.data(), record.nOrigBytes)) {
            record.bArmed = false;
        }
        m_arrBreakPoints.SetAt(index, record);
    }
    if (!record.pOrigBytes.empty()) {
        WriteTargetMemory(process, record.nAddress, record.pOrigBytes.data(), record.nOrigBytes);
    }
    if (remove) {
        if (g_bDetail) Log("%s(%d) removed!\r\n", record.pszName.c_str(), index);
        m_arrBreakPoints.RemoveBreakPoint(index);
        m_arrThreads.ForgetBreakPoint(index);
    }
    m_arrThreads.ResumeCountedThreads(suspended);
}

void CDeamonThread::RemoveAllBreakPoints(Handle process, bool remove) {
    TableLock lock(*this);
    for (int32_t i = m_arrBreakPoints.GetSize() - 1; i >= 0; --i) DeleteBreakPoint(process, i, remove);
}

void CDeamonThread::EnableBreakPoint(uint32_t processId, int32_t index) {
    TableLock lock(*this);
    if (!m_arrBreakPoints.IsValidIndex(index) || m_arrBreakPoints.GetAt(index).bEnabled) return;
    m_arrBreakPoints.ElementAt(index).bEnabled = true;
    ProcessHandle process(processId);
    ArmBreakPoint(process.get(), index);
    if (g_bDetail) Log("%s(%d) enabled!\r\n", m_arrBreakPoints.GetAt(index).pszName.c_str(), index);
}

void CDeamonThread::DisableBreakPoint(uint32_t processId, int32_t index) {
    TableLock lock(*this);
    if (!m_arrBreakPoints.IsValidIndex(index)) return;
    ProcessHandle process(processId);
    if (process.get() == kNullHandle || !m_arrBreakPoints.GetAt(index).bEnabled) return;
    DeleteBreakPoint(process.get(), index, false);
    // bArmed stays as the write-back left it: a byte that could not be put
    // back is still 0xCC, and its hits must still be stepped over.
    BREAKPOINTINFO& record = m_arrBreakPoints.ElementAt(index);
    record.bEnabled = false;
    if (g_bDetail) Log("%s(%d) disabled!\r\n", record.pszName.c_str(), index);
}

}  // namespace qv
