#include "tracer/DeamonThread.h"

#include <array>
#include <cstdarg>
#include <vector>

#include "core/LogDeferral.h"
#include "core/OptionFlags.h"
#include "core/ProcessHandle.h"
#include "core/TargetAccess.h"
#include "core/TraceLog.h"
#include "platform/Platform.h"

namespace qv {

namespace {

constexpr uint32_t kWaitMilliseconds = 1000;
// How many already-queued events the final passes handle at most.
constexpr int kMaxDrainedEvents = 256;

}  // namespace

TableLock::TableLock(CDeamonThread& tracer) : m_lock(tracer.TableMutex()) { BeginLogDeferral(); }

TableLock::~TableLock() {
    m_lock.unlock();
    EndLogDeferral();
}

CDeamonThread::CDeamonThread() = default;

CDeamonThread::~CDeamonThread() {
    if (m_hProcess != kNullHandle) Platform().CloseHandle(m_hProcess);
}

bool CDeamonThread::InitInstance() { return true; }

void CDeamonThread::Log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLogV(kLogToWindow, false, m_bLogToWindow, GetMainWnd(), format, args);
    va_end(args);
}

void CDeamonThread::LogStamped(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLogV(kLogToWindow, true, m_bLogToWindow, GetMainWnd(), format, args);
    va_end(args);
}

void CDeamonThread::SetTarget(uint32_t processId, uint32_t threadId) {
    m_nThreadId = threadId;
    if (processId != 0 && m_nProcessId == 0) m_nProcessId = processId;
}

void CDeamonThread::RequestStop() {
    m_bStopRequested = true;
    m_bAttached = false;
}

bool CDeamonThread::InitTracer() {
    if (m_bAttached || m_nProcessId == 0) return false;
    IPlatform& platform = Platform();
    EnableDebugPrivilege(platform.GetCurrentProcess(), true);
    if (!platform.DebugActiveProcess(m_nProcessId)) return false;
    m_pfnDebugActiveProcessStop = platform.GetProcAddress(platform.GetModuleHandle("kernel32.dll"),
                                                          "DebugActiveProcessStop");
    platform.DebugSetProcessKillOnExit(false);
    m_bAttached = true;
    if (m_bStopRequested) m_bAttached = false;
    ProbeOracleHome();
    {
        TableLock lock(*this);
        m_arrThreads.RemoveAllThreads();
        if (const auto threads = platform.SnapshotThreads(m_nProcessId)) {
            for (const ThreadEntry& entry : *threads) {
                if (entry.th32OwnerProcessID == m_nProcessId) m_arrThreads.AddThread(entry.th32ThreadID);
            }
        }
    }
    m_bSymInitialized = false;
    if (m_hProcess != kNullHandle) platform.CloseHandle(m_hProcess);
    m_hProcess = platform.OpenProcess(kProcessAllAccess, m_nProcessId);
    if (m_hProcess != kNullHandle && platform.SymInitialize(m_hProcess, true)) m_bSymInitialized = true;
    return true;
}

int CDeamonThread::Run() {
    IPlatform& platform = Platform();
    Log("Initializing tracer ...\r\n");
    InitTracer();
    bool burst = true;
    m_bInitialized = false;
    if (!m_bAttached) {
        CleanupTracer();
        return ExitInstance();
    }
    for (;;) {
        DebugEvent event;
        uint32_t status = kDbgExceptionNotHandled;
        const bool received = platform.WaitForDebugEvent(event, kWaitMilliseconds);
        if (received) {
            status = HandleDebugEvent(event);
        } else {
            burst = false;
        }
        if (!burst && !m_bInitialized) {
            TableLock lock(*this);
            LoadTracePoints();
            SetTracePoints();
            Log("Initializing complete!\r\n");
            m_bInitialized = true;
        }
        platform.SleepEx(0, true);
        if (received) platform.ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        if (!m_bAttached) {
            DrainPendingEvents();
            CleanupTracer();
            return ExitInstance();
        }
    }
}

void CDeamonThread::DrainPendingEvents() {
    IPlatform& platform = Platform();
    for (int i = 0; i < kMaxDrainedEvents; ++i) {
        DebugEvent event;
        if (!platform.WaitForDebugEvent(event, 0)) return;
        platform.ContinueDebugEvent(event.dwProcessId, event.dwThreadId, HandleDebugEvent(event));
    }
}

uint32_t CDeamonThread::HandleDebugEvent(const DebugEvent& event) {
    uint32_t status;
    {
        TableLock lock(*this);
        status = DispatchEvent(event);
    }
    WriteGatheredReports();
    return status;
}

void CDeamonThread::WriteGatheredReports() {
    std::vector<HitReport> reports;
    reports.swap(m_gatheredReports);
    if (reports.empty()) return;
    // The lines of the event's reports reach the window as one text, one
    // message instead of one per line; nothing here holds the lock, so the
    // window's thread may take it meanwhile.
    BeginLogDeferral();
    for (const HitReport& report : reports) {
        if (report.bEntry) {
            WriteCallReport(report);
        } else {
            WriteReturnReport(report);
        }
    }
    EndLogDeferral();
}

void CDeamonThread::CleanupTracer() {
    IPlatform& platform = Platform();
    {
        TableLock lock(*this);
        m_arrThreads.SuspendAllThreads(0);
        ProcessHandle process(m_nProcessId);
        if (process.get() != kNullHandle) RemoveAllBreakPoints(process.get(), true);
        // A thread stopped before its single step would otherwise trap after
        // we are gone.
        for (int32_t i = 0; i < m_arrThreads.GetSize(); ++i) {
            const THREADINFO& thread = m_arrThreads.GetAt(i);
            if (thread.nPendingBreakPoint < 0 || !IsUsableHandle(thread.hThread)) continue;
            ThreadContext context;
            context.ContextFlags = kContextFull;
            if (platform.GetThreadContext(thread.hThread, context) && (context.EFlags & kTrapFlag)) {
                context.EFlags &= ~kTrapFlag;
                if (platform.SetThreadContext(thread.hThread, context)) m_steppingThreads.erase(thread.nThreadId);
            }
            m_arrThreads.SetPendingBreakPoint(i, -1);
        }
        m_arrThreads.ResumeAllThreads(0);
        m_arrThreads.RemoveAllThreads();
    }
    if (m_bSymInitialized) {
        platform.SymCleanup(m_hProcess);
        m_bSymInitialized = false;
    }
    if (!m_bAttached && m_nProcessId != 0 && m_pfnDebugActiveProcessStop != 0) {
        EnableDebugPrivilege(platform.GetCurrentProcess(), true);
        if (!platform.DebugActiveProcessStop(m_nProcessId)) return;
        m_nProcessId = 0;
    }
    TableLock lock(*this);
    m_arrModules.RemoveAllModules();
    m_arrCallSyms.RemoveAllCallSymbols();
}

uint32_t CDeamonThread::DispatchEvent(const DebugEvent& event) {
    using Handler = uint32_t (CDeamonThread::*)(const DebugEvent&);
    static constexpr std::array<Handler, 8> kHandlers = {
        nullptr,
        &CDeamonThread::OnException,
        &CDeamonThread::OnCreateThread,
        &CDeamonThread::OnCreateProcess,
        &CDeamonThread::OnExitThread,
        &CDeamonThread::OnExitProcess,
        &CDeamonThread::OnLoadDll,
        &CDeamonThread::OnUnloadDll,
    };
    if (event.dwDebugEventCode >= kHandlers.size() || kHandlers[event.dwDebugEventCode] == nullptr) {
        return kDbgExceptionNotHandled;
    }
    return (this->*kHandlers[event.dwDebugEventCode])(event);
}

uint32_t CDeamonThread::OnException(const DebugEvent& event) {
    switch (event.ExceptionCode) {
    case kExceptionBreakpoint:
        return OnBreakPoint(event);
    case kExceptionSingleStep:
        return OnSingleStep(event);
    case kExceptionAccessViolation:
        return event.dwFirstChance == 0 ? kDbgContinue : kDbgExceptionNotHandled;
    default:
        return kDbgExceptionNotHandled;
    }
}

uint32_t CDeamonThread::OnBreakPoint(const DebugEvent& event) {
    const uint64_t address = event.ExceptionAddress;
    const uint32_t threadId = event.dwThreadId;
    const int32_t index = m_arrBreakPoints.FindBreakPoint(address);
    if (index < 0 || !m_arrBreakPoints.GetAt(index).bArmed) {
        return RewindLateHit(threadId, address) ? kDbgContinue : kDbgExceptionNotHandled;
    }
    BREAKPOINTINFO record = m_arrBreakPoints.GetAt(index);
    // The registers are read once, on the table's handle; the reports and
    // the step over all work from this copy.
    HitThread hit;
    hit.threadId = threadId;
    const int32_t threadIndex = m_arrThreads.EnsureThread(threadId);
    if (threadIndex >= 0) {
        hit.handle = m_arrThreads.GetAt(threadIndex).hThread;
        ThreadContext context;
        context.ContextFlags = kContextFull;
        hit.contextRead = Platform().GetThreadContext(hit.handle, context);
        if (hit.contextRead) hit.context = context;
    }
    m_arrThreads.SuspendAllThreads(threadId);
    // A disabled record is armed only when its byte could not be put back:
    // stepped over, not counted.
    if (record.bEnabled && (m_nThreadId == 0 || m_nThreadId == threadId)) {
        ++record.nHits;
        if (g_bStatOnly) {
            m_arrBreakPoints.SetAt(index, record);
        } else if (record.bEntry) {
            ReportCall(index, record, hit);
        } else {
            ReportReturn(index, record, hit);
        }
    }
    StepOverBreakPoint(m_hProcess, threadId, index,
                       hit.contextRead ? std::optional<ThreadContext>(hit.context) : std::nullopt);
    return kDbgContinue;
}

bool CDeamonThread::RewindLateHit(uint32_t threadId, uint64_t address) {
    if (m_plantedAddresses.count(address) == 0) return false;
    uint8_t current = 0;
    const bool ours = ReadTargetMemory(m_hProcess, address, &current, 1) && current != 0xCC;
    // A 0xCC still in place is not our vanished byte: the target's own int3.
    return ours && RewindThreadToBreakPoint(threadId, address);
}

uint32_t CDeamonThread::OnSingleStep(const DebugEvent& event) {
    const uint32_t threadId = event.dwThreadId;
    const bool ourStep = m_steppingThreads.erase(threadId) > 0;
    const int32_t threadIndex = m_arrThreads.FindThread(threadId);
    if (threadIndex < 0 || m_arrThreads.GetAt(threadIndex).nPendingBreakPoint < 0) {
        return ourStep ? kDbgContinue : kDbgExceptionNotHandled;
    }
    EndStep(threadIndex);
    ReleaseThreadsAfterStep(threadId);
    return kDbgContinue;
}

void CDeamonThread::EndStep(int32_t threadIndex) {
    const uint64_t address = m_arrThreads.GetAt(threadIndex).nPendingAddress;
    m_arrThreads.SetPendingBreakPoint(threadIndex, -1);
    // The record is found by its address, wherever deletions or a reload
    // moved it; one armed again in between (by a user-interface operation)
    // or deleted needs no arming.
    const int32_t index = m_arrBreakPoints.FindBreakPoint(address);
    if (index >= 0) RearmDuringEvent(index);
}

void CDeamonThread::RearmDuringEvent(int32_t index) {
    BREAKPOINTINFO& record = m_arrBreakPoints.ElementAt(index);
    if (!record.bEnabled || record.bArmed || m_arrThreads.IsSteppingOver(record.nAddress)) return;
    if (record.pOrigBytes.size() != 1) {
        ArmBreakPoint(m_hProcess, index);
        return;
    }
    const uint8_t int3 = 0xCC;
    if (WriteTargetMemory(m_hProcess, record.nAddress, &int3, 1)) {
        record.bArmed = true;
        m_plantedAddresses.insert(record.nAddress);
    }
}

void CDeamonThread::RemoveReturnBreakPoint(uint64_t address) {
    const int32_t index = m_arrBreakPoints.FindBreakPoint(address);
    if (index < 0 || m_arrBreakPoints.GetAt(index).bEntry) return;
    const BREAKPOINTINFO& record = m_arrBreakPoints.GetAt(index);
    // Inside the exit event the target stands still: no bracket needed.
    if (record.bArmed && !WriteTargetMemory(m_hProcess, address, record.pOrigBytes.data(), record.nOrigBytes)) return;
    m_arrBreakPoints.RemoveBreakPoint(index);
    m_arrThreads.ForgetBreakPoint(index);
}

bool CDeamonThread::OtherStepPending(uint32_t threadId) const {
    for (int32_t i = 0; i < m_arrThreads.GetSize(); ++i) {
        const THREADINFO& thread = m_arrThreads.GetAt(i);
        if (thread.nThreadId != threadId && thread.nPendingBreakPoint >= 0) return true;
    }
    return false;
}

void CDeamonThread::ReleaseThreadsAfterStep(uint32_t steppedThread) {
    std::vector<int32_t> stepping;
    for (int32_t i = 0; i < m_arrThreads.GetSize(); ++i) {
        if (m_arrThreads.GetAt(i).nPendingBreakPoint >= 0) stepping.push_back(i);
    }
    if (stepping.empty()) {
        m_arrThreads.ResumeAllThreads(0);
        return;
    }
    // The thread whose step just ended waits with the rest: another
    // breakpoint's byte is still out of place.
    const int32_t stepped = m_arrThreads.FindThread(steppedThread);
    if (stepped >= 0 && IsUsableHandle(m_arrThreads.GetAt(stepped).hThread)) {
        Platform().SuspendThread(m_arrThreads.GetAt(stepped).hThread);
    }
    for (const int32_t index : stepping) m_arrThreads.ResumeThreadFully(index);
}

uint32_t CDeamonThread::OnCreateThread(const DebugEvent& event) {
    m_arrThreads.AddThread(event.dwThreadId);
    return kDbgExceptionNotHandled;
}

uint32_t CDeamonThread::OnExitThread(const DebugEvent& event) {
    // A thread that ends before its single step would otherwise leave its
    // trace point unarmed and the threads held for that step suspended for
    // good.
    const int32_t threadIndex = m_arrThreads.FindThread(event.dwThreadId);
    const bool wasStepping = threadIndex >= 0 && m_arrThreads.GetAt(threadIndex).nPendingBreakPoint >= 0;
    if (wasStepping) EndStep(threadIndex);
    const std::vector<uint64_t> returns = m_arrThreads.PendingReturnAddresses(event.dwThreadId);
    m_arrThreads.RemoveThread(event.dwThreadId);
    m_steppingThreads.erase(event.dwThreadId);
    // Its calls will never return: their return-address breakpoints go,
    // unless another thread's pending call still returns through one.
    for (const uint64_t address : returns) {
        if (!m_arrThreads.IsReturnPending(address)) RemoveReturnBreakPoint(address);
    }
    if (wasStepping) ReleaseThreadsAfterStep(0);
    return kDbgExceptionNotHandled;
}

}  // namespace qv
