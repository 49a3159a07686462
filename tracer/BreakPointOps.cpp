// The breakpoint table's operations on the target: planting, stepping over,
// disarming, enabling and disabling 0xCC bytes. Every write to the target's
// code happens while the recorded threads are suspended.
#include <cstdint>

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
    // While the loop handles a hit or a step the other threads are held and
    // must stay so until the steps end: undo only this bracket's suspension.
    const bool heldByLoop = m_nEventThread != 0;
    m_arrThreads.SuspendAllThreads(0);
    uint8_t saved = 0;
    const bool written = SaveAndWriteInt3(process, record.nAddress, saved);
    const bool read = written || IsTargetByteReadable(process, record.nAddress);
    if (read) {
        record.pOrigBytes.assign(1, saved);
        record.nOrigBytes = 1;
    } else {
        record.pOrigBytes.clear();
        record.nOrigBytes = 0;
    }
    if (written) {
        record.bArmed = true;
        m_plantedAddresses.insert(record.nAddress);
    }
    if (heldByLoop) {
        m_arrThreads.ResumeAllThreadsOnce(0);
    } else {
        m_arrThreads.ResumeAllThreads(0);
    }
    m_arrBreakPoints.SetAt(index, std::move(record));
}

void CDeamonThread::SetTracePoints() {
    TableLock lock(*this);
    ProcessHandle process(m_nProcessId);
    for (int32_t i = 0; i < m_arrBreakPoints.GetSize(); ++i) ArmBreakPoint(process.get(), i);
}

void CDeamonThread::StepOverBreakPoint(Handle process, uint32_t threadId, int32_t index) {
    TableLock lock(*this);
    if (!m_arrBreakPoints.IsValidIndex(index)) return;
    BREAKPOINTINFO record = m_arrBreakPoints.GetAt(index);
    if (!record.bEnabled || !record.bArmed) return;
    IPlatform& platform = Platform();
    const int32_t threadIndex = m_arrThreads.FindThread(threadId);
    if (threadIndex >= 0 && IsUsableHandle(m_arrThreads.GetAt(threadIndex).hThread)) {
        const Handle thread = m_arrThreads.GetAt(threadIndex).hThread;
        platform.SuspendThread(thread);
        ThreadContext context;
        context.ContextFlags = kContextFull;
        if (platform.GetThreadContext(thread, context)) {
            context.Rip = record.nAddress;
            context.EFlags |= kTrapFlag;
            if (platform.SetThreadContext(thread, context)) m_steppingThreads.insert(threadId);
        }
        m_arrThreads.SetPendingBreakPoint(threadIndex, index);
        m_arrThreads.ResumeThreadFully(threadIndex);
    }
    if (WriteTargetMemory(process, record.nAddress, record.pOrigBytes.data(), record.nOrigBytes)) {
        record.bArmed = false;
    }
    m_arrBreakPoints.SetAt(index, std::move(record));
}

void CDeamonThread::DeleteBreakPoint(Handle process, int32_t index, bool remove) {
    TableLock lock(*this);
    if (!m_arrBreakPoints.IsValidIndex(index)) return;
    m_arrThreads.SuspendAllThreads(0);
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
    }
    m_arrThreads.ResumeAllThreads(0);
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
    BREAKPOINTINFO& record = m_arrBreakPoints.ElementAt(index);
    record.bEnabled = false;
    record.bArmed = false;
    if (g_bDetail) Log("%s(%d) disabled!\r\n", record.pszName.c_str(), index);
}

}  // namespace qv
