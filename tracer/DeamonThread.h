// The tracer: one object per trace. Its thread attaches to the target as its
// debugger and runs the debug event loop; the user-interface thread acts on
// its tables (console, buttons, Stop) through the operations below.
//
// Locking: the breakpoint, thread, module and call-symbol tables are guarded
// by one recursive mutex, m_tableLock. The loop holds it while it handles
// one event, and lets go of it before it renders and writes a hit's report
// (memory reads, stack walk, symbol lookups): the report works on what was
// gathered under the lock. User-interface operations hold it for their
// whole operation.
// Log lines written while a thread holds it are delivered when that thread
// lets go of it (see TableLock), so no thread ever waits for the window
// while holding the lock, and the user-interface thread never waits for the
// lock while the tracer waits for the window.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/PrintfFormat.h"
#include "framework/WinThread.h"
#include "platform/PlatformTypes.h"
#include "symbols/ImageFacts.h"
#include "symbols/ModuleList.h"
#include "tracer/BreakPointTable.h"
#include "tracer/CallReport.h"
#include "tracer/ThreadTable.h"

namespace qv {

class CDeamonThread;

// Holds the tracer's table lock and defers this thread's log delivery until
// the outermost guard is released.
class TableLock {
public:
    explicit TableLock(CDeamonThread& tracer);
    ~TableLock();
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

private:
    std::unique_lock<std::recursive_mutex> m_lock;
};

inline constexpr uint32_t kResolveByName = 1;
inline constexpr uint32_t kResolveByAddress = 2;

class CDeamonThread : public CWinThread {
public:
    CDeamonThread();
    ~CDeamonThread() override;

    bool InitInstance() override;
    int Run() override;

    void SetTarget(uint32_t processId, uint32_t threadId);
    // Stop's request to the loop: clears m_bAttached, and keeps an attach
    // that is still under way from setting it again, so that a Stop right
    // after Trace can't leave the loop running for ever.
    void RequestStop();
    bool InitTracer();
    void CleanupTracer();

    // Writes a tracer line: no time stamp unless asked, the tracer's log
    // switch, the main window.
    void Log(const char* format, ...) QV_PRINTF_FORMAT(2, 3);
    void LogStamped(const char* format, ...) QV_PRINTF_FORMAT(2, 3);

    // Breakpoint table operations on the target.
    void ArmBreakPoint(Handle process, int32_t index);
    void SetTracePoints();
    // The hit's context as the loop read it, nothing when it couldn't: then
    // no step is set up and the thread runs the original instruction anew.
    void StepOverBreakPoint(Handle process, uint32_t threadId, int32_t index,
                            const std::optional<ThreadContext>& hitContext);
    void DeleteBreakPoint(Handle process, int32_t index, bool remove);
    void RemoveAllBreakPoints(Handle process, bool remove);
    void EnableBreakPoint(uint32_t processId, int32_t index);
    void DisableBreakPoint(uint32_t processId, int32_t index);

    // Trace point file.
    void LoadTracePoints();
    void ReloadTracePoints();

    // Modules (the debug events' side of the module list). CopyModule gives
    // the record of that name, copied under the lock.
    std::optional<MODULEINFOEX> CopyModule(const std::string& name);
    bool GetFileNameFromHandle(Handle file, std::string& name, size_t outputSize);

    // Installation probe.
    void ProbeOracleHome();

    // Symbol resolution: by name to an address (0 = not found), by address
    // to a "module!function+offset" text.
    uint64_t ResolveSymbol(uint64_t moduleBase, const std::string& moduleName, const std::string& functionName,
                           uint64_t* size);
    std::optional<std::string> ResolveSymbol(uint64_t moduleBase, const std::string& moduleName, uint64_t address,
                                             uint64_t* size);
    uint64_t LookupSymbolFile(uint64_t moduleBase, const std::string& moduleName, const std::string& functionName,
                              uint64_t* size);
    std::optional<std::string> LookupSymbolFile(uint64_t moduleBase, const std::string& moduleName, uint64_t address,
                                                uint64_t* size);

    // A trace point from its text form; the new index, or -1 when refused.
    int32_t AddTracePoint(const std::string& specification);

    // Call stacks of a thread of the target, frames named through the
    // tracer's modules and symbol lookup: by the platform's stack walker at
    // a hit, from the thread's handle and the context the loop read there
    // (stoppedAt is the breakpoint's address); by the frame-pointer chain on
    // request, where ids of 0 stand for the tracer's own process and thread
    // filter.
    void LogHitCallStacks(Handle thread, const ThreadContext& context, int32_t depth, uint64_t stoppedAt);
    void LogThreadCallStacks(uint32_t processId, uint32_t threadId, int32_t depth);
    // The log line of one frame address.
    std::string CallStackFrameLine(uint64_t address);

    // The record of the module that holds an address, copied under the lock
    // so that slow lookups can run on it outside; nothing when there is none.
    std::optional<MODULEINFOEX> CopyModuleHolding(uint64_t address);

    // The target's memory as its own code has it: a read of the target with
    // the saved byte of every armed breakpoint in place of its 0xCC.
    bool ReadOriginalMemory(Handle process, uint64_t address, void* buffer, size_t size);
    // A write of one byte of the target that keeps the breakpoints in step:
    // under an armed breakpoint the byte becomes its saved original and the
    // 0xCC stays; a record whose byte is out (disabled, being stepped over)
    // saves the new byte as well, so that no later disarm puts the old one
    // back. False when the byte can't be written.
    bool WriteThroughBreakPoints(Handle process, uint64_t address, uint8_t value);

    // Writes the listing of a function of the target to the log.
    void DisassembleFunction(const std::string& moduleName, const std::string& functionName);

    std::recursive_mutex& TableMutex() { return m_tableLock; }

    uint64_t m_pfnDebugActiveProcessStop = 0;
    uint32_t m_nProcessId = 0;
    uint32_t m_nThreadId = 0;
    std::atomic<bool> m_bAttached{false};
    std::atomic<bool> m_bStopRequested{false};
    Handle m_hProcess = kNullHandle;
    bool m_bSymInitialized = false;
    CBreakPointArray m_arrBreakPoints;
    CCallSymArray m_arrCallSyms;
    CModuleArray m_arrModules;
    // The loaded modules' image time stamps and sizes, read once a session.
    ImageFactsCache m_imageFacts;
    CThreadHandleArray m_arrThreads;
    bool m_bOracleFound = false;
    std::string m_szOracleHome;
    int32_t m_nOracleVersion = 0;
    std::atomic<bool> m_bLogToWindow{false};
    bool m_bInitialized = false;

    // Handles one debug event and gives the status to continue it with.
    // Called with the table lock held; a hit's report is only gathered
    // here and waits for WriteGatheredReports.
    uint32_t DispatchEvent(const DebugEvent& event);
    // The loop's step for one event: DispatchEvent under the lock, then the
    // gathered reports written without it, before the event is continued
    // (the target stands still until then).
    uint32_t HandleDebugEvent(const DebugEvent& event);
    void WriteGatheredReports();

private:
    // The loop's handlers, one per debug event code.
    uint32_t OnException(const DebugEvent& event);
    uint32_t OnBreakPoint(const DebugEvent& event);
    uint32_t OnSingleStep(const DebugEvent& event);
    uint32_t OnCreateThread(const DebugEvent& event);
    uint32_t OnCreateProcess(const DebugEvent& event);
    uint32_t OnExitThread(const DebugEvent& event);
    uint32_t OnExitProcess(const DebugEvent& event);
    uint32_t OnLoadDll(const DebugEvent& event);
    uint32_t OnUnloadDll(const DebugEvent& event);

    // Calls into the call and return reporting, made at the hit under the
    // lock: the table work (pending calls, the return-address breakpoint)
    // is done, what the lines need is gathered into m_gatheredReports.
    void ReportCall(int32_t index, const BREAKPOINTINFO& record, const HitThread& hit);
    void ReportReturn(int32_t index, const BREAKPOINTINFO& record, const HitThread& hit);
    void WriteCallReport(const HitReport& report);
    void WriteReturnReport(const HitReport& report);

    // Runs the loop's final passes after a stop request: hits that were
    // already queued when the bytes went back are rewound, steps we caused
    // are absorbed, so nothing of ours reaches the target after detaching.
    void DrainPendingEvents();
    // A breakpoint event at an address we planted but whose 0xCC is gone (a
    // second thread's hit queued before the byte went back): rewind the
    // thread to the address and let it run the original instruction.
    bool RewindLateHit(uint32_t threadId, uint64_t address);

    // Ends a thread's pending step: the record at the stepped address is
    // armed again (the thread's byte is no longer needed in place).
    void EndStep(int32_t threadIndex);
    // Arming from inside a debug event: every thread of the target stands
    // still until the loop continues it, and the threads held for a step
    // stay held, so no bracket of suspensions is needed; the saved byte is
    // the one the step put back, so it isn't read again.
    void RearmDuringEvent(int32_t index);
    // Takes out the return-address breakpoint at address: its byte back,
    // its record gone. One whose byte can't be put back stays.
    void RemoveReturnBreakPoint(uint64_t address);
    // Whether any thread other than this one is single-stepping over a
    // breakpoint (and the rest are held for it).
    bool OtherStepPending(uint32_t threadId) const;

    std::recursive_mutex m_tableLock;
    // Lets the threads go at the end of a single step: all of them, unless
    // other threads are still stepping over their breakpoints, in which case
    // only those run on and the rest, the stepped thread included, stay held
    // until the last step has ended.
    void ReleaseThreadsAfterStep(uint32_t steppedThread);

    // Every address where this tracer wrote 0xCC.
    std::set<uint64_t> m_plantedAddresses;
    // Threads that carry our trap flag until their single step arrives.
    std::set<uint32_t> m_steppingThreads;
    // Reports gathered by the current event, written once the lock is let
    // go. Only the loop's thread touches them.
    std::vector<HitReport> m_gatheredReports;
};

}  // namespace qv
