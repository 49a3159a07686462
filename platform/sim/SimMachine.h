// A simulated Windows machine behind the platform seam. Tests build a machine
// (processes, threads, paged memory, modules from real PE files, a file
// system rooted in a host folder), attach the real tracer to it and script
// what the target's threads execute. It is a model, not canned answers:
// 0xCC bytes, the trap flag, suspend counts, continue statuses and page
// protections behave as on Windows. Debug-event waits use virtual time: a
// wait with nothing to report returns at once and moves the clock.
//
// Thread safety: every public member may be called from any thread; one
// machine-wide mutex serialises them (the tracer thread and a test's
// user-interface thread use the machine at once).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace qv::sim {

enum class Protection { NoAccess, ReadOnly, ReadWrite, ExecuteRead, ExecuteReadWrite };

// How scripted threads run: only while a debugger waits for an event (or
// RunUntilIdle runs) and nothing is queued; then every runnable thread makes
// one step per round, in thread-id order, until an event is raised. An
// instruction is one byte long unless DefineInstructions gave the code its
// real lengths, so a single step after the instruction at A reports A plus
// its length. A thread runs only where its script goes on: continued at
// any other address (inside an instruction, or past one it never ran) it
// raises an illegal instruction there and counts a misplaced resume. A
// breakpoint continued with DBG_CONTINUE resumes at the thread's Rip:
// rewound to A it executes A again; left at A + 1 it goes on only while the
// 0xCC is still in place (the int3 was the instruction). A call whose function lies in
// an unmapped or no-access page raises an access violation at it; handled,
// the instruction runs again. Exceptions passed on twice, and exceptions
// in a process without a debugger, end the process with the exception
// code. The attach break-in thread ends once its breakpoint is continued,
// whatever the status. DebugSetProcessKillOnExit is recorded only.
//
// One call that a scripted thread makes. On entry the thread pushes
// returnAddress, the stack arguments above it (args[0] at Rsp+8 after the
// push, as the x64 convention's home area would be), and jumps to function.
// The function's first instruction runs (a 0xCC there raises a breakpoint),
// then the nested calls in order, then Rax = returnValue and a ret to
// returnAddress (a 0xCC there raises a breakpoint too), which pops only the
// return address: the arguments leave the stack once the instruction at the
// return address has run, as x64 callers clean up after a call. Rbp is not
// touched; StackWalk64 follows these calls from the innermost outwards, then
// reports the thread's home address as the outermost frame.
struct SimCall {
    uint64_t function = 0;
    std::vector<uint64_t> args;
    uint64_t returnValue = 0;
    // 0 chooses one: for a top-level call, the thread's home address; for a
    // nested call, an address inside the caller's body.
    uint64_t returnAddress = 0;
    std::vector<SimCall> nested;
};

// What the machine counted; tests use it to check the tracer's effect on the
// target.
struct SimThreadStats {
    uint64_t callsEntered = 0;   // function entries actually executed
    uint64_t callsReturned = 0;  // returns completed
    // Times the thread was continued at an address its code does not go on
    // from; each raised an illegal instruction.
    uint64_t misplacedResumes = 0;
};

// What the accounting calls report of a process or a thread. A new process
// or thread starts with its creation time set to the machine's clock and
// everything else 0; tests set and advance the rest.
struct SimProcessAccounting {
    ObjectTimes times;
    ProcessMemoryCounters memory;
    IoCounters io;
    uint64_t cycles = 0;
};

struct SimThreadAccounting {
    ObjectTimes times;
    uint64_t cycles = 0;
    bool ioPending = false;
    int32_t priority = 0;
};

// Platform calls a test can make fail on purpose, each for one process or
// thread id, as the call takes (0: for every id; the thread snapshot and the
// process list fail machine-wide that way).
enum class FailingCall {
    OpenProcess,
    OpenThread,
    GetThreadContext,
    SetThreadContext,
    ReadProcessMemory,
    WriteProcessMemory,
    EnumProcesses,
    EnumProcessModules,
    GetModuleBaseName,
    GetModuleFileNameEx,
    GetProcessTimes,
    GetProcessMemoryInfo,
    GetProcessIoCounters,
    QueryProcessCycleTime,
    SnapshotThreads,
    GetThreadTimes,
    GetThreadIOPendingFlag,
    GetThreadPriority,
    QueryThreadCycleTime,
};

class SimMachine final : public IPlatform {
public:
    // hostRoot holds one folder per drive letter: "C:\\x" is hostRoot/C/x.
    explicit SimMachine(std::filesystem::path hostRoot);
    ~SimMachine() override;
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;

    // ---- building the machine (test side) ----
    std::filesystem::path HostPath(const std::string& windowsPath) const;
    void SetCurrentDirectory(const std::string& windowsPath);
    // Directories MapAndLoad searches after the current directory.
    void SetImageSearchPath(std::vector<std::string> windowsDirs);

    // A process whose main module is the PE file at imagePath (mapped at
    // imageBase, or at its preferred base when 0); it gets one main thread.
    uint32_t CreateProcess(const std::string& imagePath, uint64_t imageBase = 0);
    // A process with no image, for the monitor and attach-refusal tests. Its
    // modules can't be enumerated (EnumProcessModules fails), as for the
    // system's own processes.
    uint32_t CreateBareProcess(const std::string& imageName);
    uint32_t CreateThread(uint32_t processId);
    void ExitThread(uint32_t threadId, uint32_t exitCode = 0);
    void ExitProcess(uint32_t processId, uint32_t exitCode = 0);
    // Another debugger already holds it: DebugActiveProcess fails.
    void SetDebuggedByOther(uint32_t processId, bool debugged);
    // Whether DebugActiveProcessStop exists in kernel32 (GetProcAddress).
    void SetHasDebugActiveProcessStop(bool present);

    // Loads a DLL from a PE file into the process; a debugger attached to it
    // receives LOAD_DLL. Returns the base.
    uint64_t LoadModule(uint32_t processId, const std::string& windowsPath, uint64_t base = 0);
    void UnloadModule(uint32_t processId, uint64_t base);
    // Loads a PE file into the tool's own process (real host memory, loaded
    // layout) so GetModuleHandle/GetProcAddress/own snapshots see it.
    uint64_t LoadOwnModule(const std::string& windowsPath);

    void MapMemory(uint32_t processId, uint64_t address, uint64_t size, Protection protection);
    void Protect(uint32_t processId, uint64_t address, uint64_t size, Protection protection);
    // Raw access that ignores protections (the test's own view of memory).
    void PokeMemory(uint32_t processId, uint64_t address, const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> PeekMemory(uint32_t processId, uint64_t address, uint64_t size) const;

    // ---- scripted execution ----
    // Queues calls for a thread; they run when the thread is scheduled (not
    // suspended, not frozen by a pending debug event).
    void ScriptCalls(uint32_t threadId, std::vector<SimCall> calls);
    // The lengths of the instructions from address on: the first starts at
    // address, each next one where the last ends.
    void DefineInstructions(uint32_t processId, uint64_t address, const std::vector<uint8_t>& lengths);
    // The next count calls of that kind on objectId fail with access denied;
    // a count of 0 clears it.
    void FailNextCalls(FailingCall call, uint32_t objectId, uint32_t count);
    // Every call of that kind on objectId fails until the test clears it.
    void FailCalls(FailingCall call, uint32_t objectId, bool fail = true);
    // True when no thread of the process has scripted work left and none
    // waits for the debugger to continue an exception it raised.
    bool IsIdle(uint32_t processId) const;
    // Runs the process's threads without a debugger until idle or until
    // maxSteps; a 0xCC hit without a debugger terminates the process.
    void RunUntilIdle(uint32_t processId, uint64_t maxSteps = 1'000'000);
    SimThreadStats ThreadStats(uint32_t threadId) const;
    bool IsProcessAlive(uint32_t processId) const;
    uint32_t SuspendCount(uint32_t threadId) const;
    ThreadContext Context(uint32_t threadId) const;
    // Let the user-interface side of a test block until the machine changes
    // (an event was continued, a call finished); returns on time-out too.
    void WaitForChange(uint32_t realMilliseconds) const;
    // Live threads of a process in creation order (the main thread first).
    std::vector<uint32_t> ThreadIds(uint32_t processId) const;
    // The exit code of an ended process; nullopt while it runs.
    std::optional<uint32_t> ProcessExitCode(uint32_t processId) const;
    bool IsBeingDebugged(uint32_t processId) const;
    // Handles of every kind that are open now (a leak check for tests).
    size_t OpenHandleCount() const;
    // What AdjustDebugPrivilege, DebugSetProcessKillOnExit and
    // SymInitialize/SymCleanup recorded.
    bool DebugPrivilegeEnabled() const;
    bool KillOnExit() const;
    bool SymbolHandlerActive(uint32_t processId) const;
    // Fixed addresses of every simulated process: where the attach break-in
    // raises its breakpoint, and the return address of top-level calls.
    static uint64_t BreakInAddress();
    static uint64_t ThreadHomeAddress();

    // ---- accounting ----
    SimProcessAccounting ProcessAccounting(uint32_t processId) const;
    void SetProcessAccounting(uint32_t processId, const SimProcessAccounting& accounting);
    SimThreadAccounting ThreadAccounting(uint32_t threadId) const;
    void SetThreadAccounting(uint32_t threadId, const SimThreadAccounting& accounting);
    void SetProcessorCount(uint32_t processors);

    // ---- virtual time ----
    uint64_t VirtualMilliseconds() const;
    void AdvanceClock(uint64_t milliseconds);
    // The local (system) time now; UTC follows from the system bias.
    void SetLocalTime(const SystemTime& time);
    // Seconds from local to UTC: the system's present bias (daylight saving
    // included) and the C runtime's standard one. Both 0 at start.
    void SetTimeZoneBias(int32_t systemBiasSeconds, int32_t runtimeBiasSeconds);
    // The machine's clock as a UTC file time.
    FileTime CurrentFileTime() const;

    // ---- message boxes etc. are the framework's; nothing here ----

    // ---- IPlatform ----
    Handle OpenProcess(uint32_t access, uint32_t processId) override;
    Handle OpenThread(uint32_t access, uint32_t threadId) override;
    bool CloseHandle(Handle handle) override;
    Handle GetCurrentProcess() override;
    uint32_t GetCurrentProcessId() override;
    uint32_t GetCurrentThreadId() override;
    uint32_t GetProcessId(Handle process) override;
    bool ReadProcessMemory(Handle process, uint64_t address, void* buffer, size_t size) override;
    bool WriteProcessMemory(Handle process, uint64_t address, const void* buffer, size_t size) override;
    bool GetThreadContext(Handle thread, ThreadContext& context) override;
    bool SetThreadContext(Handle thread, const ThreadContext& context) override;
    uint32_t SuspendThread(Handle thread) override;
    uint32_t ResumeThread(Handle thread) override;
    bool TerminateProcess(Handle process, uint32_t exitCode) override;
    bool TerminateThread(Handle thread, uint32_t exitCode) override;
    bool GetExitCodeProcess(Handle process, uint32_t& exitCode) override;
    uint32_t WaitForSingleObject(Handle object, uint32_t milliseconds) override;
    int32_t NtQueryInformationThread(Handle thread, uint32_t infoClass, void* buffer, uint32_t length) override;
    bool AdjustDebugPrivilege(Handle process, bool enable) override;
    bool DebugActiveProcess(uint32_t processId) override;
    bool DebugActiveProcessStop(uint32_t processId) override;
    bool DebugSetProcessKillOnExit(bool killOnExit) override;
    bool WaitForDebugEvent(DebugEvent& event, uint32_t milliseconds) override;
    bool ContinueDebugEvent(uint32_t processId, uint32_t threadId, uint32_t status) override;
    void SleepEx(uint32_t milliseconds, bool alertable) override;
    uint64_t GetModuleHandle(const char* moduleName) override;
    uint64_t GetProcAddress(uint64_t module, const char* procName) override;
    std::optional<std::vector<ThreadEntry>> SnapshotThreads(uint32_t processId) override;
    std::optional<std::vector<ModuleEntry>> SnapshotModules(uint32_t processId) override;
    std::optional<std::vector<uint32_t>> EnumProcesses() override;
    std::optional<std::vector<uint64_t>> EnumProcessModules(Handle process) override;
    std::optional<std::string> GetModuleBaseName(Handle process, uint64_t module) override;
    std::optional<std::string> GetModuleFileNameEx(Handle process, uint64_t module) override;
    std::optional<std::string> GetMappedFileName(Handle process, const void* address) override;
    std::vector<std::string> GetLogicalDriveStrings() override;
    std::optional<std::string> QueryDosDevice(const char* deviceName) override;
    Handle OpenFileForRead(const char* path, uint32_t shareMode) override;
    Handle CreateFileForWrite(const char* path) override;
    bool ReadFile(Handle file, void* buffer, uint32_t size, uint32_t& bytesRead) override;
    bool WriteFile(Handle file, const void* buffer, uint32_t size) override;
    std::optional<uint64_t> GetFileSize(Handle file) override;
    std::optional<FileTime> GetFileLastWriteTime(Handle file) override;
    Handle CreateFileMapping(Handle file, uint64_t maximumSize) override;
    const uint8_t* MapViewOfFile(Handle mapping, uint64_t viewSize, uint64_t& length) override;
    bool UnmapViewOfFile(const void* view) override;
    std::optional<uint32_t> FindFirstFileAttributes(const char* path) override;
    std::string GetCurrentDirectory() override;
    std::optional<LoadedImageInfo> MapAndLoad(const char* imageName) override;
    bool SymInitialize(Handle process, bool invadeProcess) override;
    bool SymCleanup(Handle process) override;
    bool StackWalk64(uint32_t machineType, Handle process, Handle thread, StackFrame64& frame,
                     ThreadContext& context) override;
    bool IsReadableOwnMemory(const void* address, size_t size) override;
    uint32_t GetLastError() override;
    SystemTime GetLocalTime() override;
    SystemTime GetSystemTime() override;
    std::optional<ObjectTimes> GetProcessTimes(Handle process) override;
    std::optional<ObjectTimes> GetThreadTimes(Handle thread) override;
    std::optional<ProcessMemoryCounters> GetProcessMemoryInfo(Handle process) override;
    std::optional<IoCounters> GetProcessIoCounters(Handle process) override;
    std::optional<uint64_t> QueryProcessCycleTime(Handle process) override;
    std::optional<uint64_t> QueryThreadCycleTime(Handle thread) override;
    std::optional<bool> GetThreadIOPendingFlag(Handle thread) override;
    int32_t GetThreadPriority(Handle thread) override;
    int64_t QueryPerformanceCounter() override;
    int64_t QueryPerformanceFrequency() override;
    SystemInfo GetSystemInfo() override;
    std::optional<FileTime> FileTimeToLocalFileTime(FileTime utc) override;
    int32_t GetRuntimeTimeZoneBias() override;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace qv::sim
