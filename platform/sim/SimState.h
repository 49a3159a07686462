// The machine's inner state, shared by the files that implement SimMachine.
// Every member is guarded by State::mutex; the functions declared here
// expect the caller to hold it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/SimAddressSpace.h"
#include "platform/sim/SimMachine.h"

namespace qv::sim::detail {

// A debug event of a kind, for a process and thread; the caller fills the
// kind's own fields.
inline DebugEvent MakeEvent(uint32_t code, uint32_t processId, uint32_t threadId) {
    DebugEvent event;
    event.dwDebugEventCode = code;
    event.dwProcessId = processId;
    event.dwThreadId = threadId;
    return event;
}

inline constexpr uint32_t kStillActive = 0x103;
inline constexpr uint32_t kExceptionIllegalInstruction = 0xC000001D;
inline constexpr uint32_t kFirstObjectId = 0x1000;
// Ids handed to the host threads that call GetCurrentThreadId; simulated
// target threads never reach this range.
inline constexpr uint32_t kFirstHostThreadId = 0x40000000;

// Fixed addresses of every target process: a code region standing in for
// the system library (thread start, the attach break-in), then per-thread
// stacks and thread environment blocks.
inline constexpr uint64_t kSystemCodeBase = 0x7FFA'0000'0000;
inline constexpr uint64_t kSystemCodeSize = 0x2000;
inline constexpr uint64_t kBreakInAddress = kSystemCodeBase + 0x100;
inline constexpr uint64_t kBreakInStart = kSystemCodeBase + 0x180;
inline constexpr uint64_t kThreadHomeAddress = kSystemCodeBase + 0x200;
inline constexpr uint64_t kStackRegionBase = 0x0000'0010'0000'0000;
inline constexpr uint64_t kStackSpacing = 0x10'0000;
inline constexpr uint64_t kStackSize = 0x1'0000;
inline constexpr uint64_t kTebRegionBase = 0x7FF5'0000'0000;
inline constexpr uint64_t kTebSpacing = 0x2000;

// One location of a path: what Windows calls it and where it lives on the
// host.
struct ResolvedPath {
    std::string windowsPath;
    std::filesystem::path hostPath;
};

struct SimModule {
    std::string name;
    std::string windowsPath;
    std::filesystem::path hostPath;
    uint64_t base = 0;
    uint32_t size = 0;
};

enum class Stage { Enter, ExecuteEntry, Nested, Return, ExecuteReturn };

struct Frame {
    SimCall call;
    uint64_t returnAddress = 0;
    Stage stage = Stage::Enter;
    size_t nextNested = 0;
};

// The exception a thread raised and is stopped at until it is continued.
struct RaisedException {
    uint32_t code = 0;
    uint64_t address = 0;
    bool firstChance = true;
};

struct SimThread {
    uint32_t id = 0;
    uint32_t processId = 0;
    ThreadContext context;
    uint32_t suspendCount = 0;
    bool alive = true;
    uint32_t exitCode = kStillActive;
    uint64_t teb = 0;
    uint64_t stackBase = 0;
    uint64_t stackLimit = 0;
    uint64_t startAddress = 0;
    bool breakIn = false;
    std::deque<SimCall> script;
    std::vector<Frame> frames;
    std::optional<RaisedException> raised;
    SimThreadStats stats;
    SimThreadAccounting accounting;

    bool HasWork() const { return !script.empty() || !frames.empty(); }
};

struct SimProcess {
    uint32_t id = 0;
    std::string imageName;
    std::string imagePath;  // Windows form; empty for a bare process
    uint64_t entryAddress = 0;
    bool own = false;
    bool alive = true;
    uint32_t exitCode = kStillActive;
    AddressSpace memory;
    // Instruction starts and lengths where the test gave them.
    std::map<uint64_t, uint8_t> instructionLengths;
    std::vector<SimModule> modules;  // load order, the main image first
    std::vector<uint32_t> threads;   // creation order
    std::optional<std::thread::id> debugger;
    bool debuggedByOther = false;
    // The event WaitForDebugEvent handed out and not yet continued.
    std::optional<DebugEvent> awaitingContinue;
    bool symInitialized = false;
    uint32_t threadSlots = 0;
    SimProcessAccounting accounting;
};

enum class HandleKind { File, Mapping, Process, Thread };

struct FileObject {
    int fd = -1;
    bool canRead = false;
    bool canWrite = false;
    ResolvedPath path;
    ~FileObject();
};

struct MappingObject {
    int fd = -1;
    uint64_t size = 0;
    ResolvedPath path;
    ~MappingObject();
};

struct HandleEntry {
    HandleKind kind = HandleKind::File;
    uint32_t objectId = 0;  // process or thread id
    std::shared_ptr<FileObject> file;
    std::shared_ptr<MappingObject> mapping;
};

struct View {
    std::unique_ptr<uint8_t[]> bytes;
    uint64_t length = 0;
    ResolvedPath path;
};

// A module of the tool's own process: real host memory in loaded layout.
struct OwnModule {
    std::string name;
    std::string windowsPath;
    std::filesystem::path hostPath;  // empty for a synthesised system module
    std::unique_ptr<uint8_t[]> image;
    uint32_t size = 0;
    uint64_t Base() const { return reinterpret_cast<uint64_t>(image.get()); }
};

struct State {
    mutable std::mutex mutex;
    mutable std::condition_variable changed;

    std::filesystem::path hostRoot;
    std::string currentDirectory = "C:\\";
    std::vector<std::string> imageSearchPath;

    uint32_t nextObjectId = kFirstObjectId;
    uint32_t ownProcessId = 0;
    std::map<uint32_t, SimProcess> processes;
    std::map<uint32_t, SimThread> threads;
    std::map<std::thread::id, uint32_t> hostThreadIds;
    uint32_t nextHostThreadId = kFirstHostThreadId;

    Handle nextHandle = 0x100;
    std::map<Handle, HandleEntry> handles;
    std::map<const uint8_t*, View> views;

    std::vector<OwnModule> ownModules;
    bool hasDebugActiveProcessStop = true;

    // Calls that fail on purpose: how many more, per call and object id
    // (the largest count: until cleared).
    std::map<std::pair<FailingCall, uint32_t>, uint32_t> failures;

    // Debug events raised and not yet handed out, oldest first.
    std::deque<DebugEvent> events;
    bool killOnExit = true;
    bool debugPrivilege = false;

    int64_t utcEpochMs = 0;  // UTC at virtual zero, ms since 1970
    uint64_t virtualMs = 0;
    int32_t systemBiasSeconds = 0;
    int32_t runtimeBiasSeconds = 0;

    uint32_t processors = 4;

    // ---- helpers (lock held) ----
    FileTime NowFileTime() const;
    void NotifyChange() { changed.notify_all(); }
    uint32_t NewObjectId();
    Handle AddHandle(HandleEntry entry);
    const HandleEntry* FindHandle(Handle handle, HandleKind kind) const;
    // The process a process handle (or the own pseudo-handle) names.
    SimProcess* ProcessOf(Handle handle);
    SimThread* ThreadOf(Handle handle);
    SimProcess* FindProcess(uint32_t processId);
    SimThread* FindThread(uint32_t threadId);
    SimProcess& RequireProcess(uint32_t processId);
    SimThread& RequireThread(uint32_t threadId);

    // Paths (SimPaths.cpp).
    ResolvedPath Resolve(const std::string& path) const;
    std::string WindowsPathOf(const std::filesystem::path& hostPath) const;
    std::string DevicePathOf(const std::filesystem::path& hostPath) const;
    std::vector<char> DriveLetters() const;

    // Files (SimFiles.cpp).
    Handle OpenFile(const ResolvedPath& path);

    // Processes (SimProcesses.cpp).
    SimProcess& NewProcess(std::string imageName, std::string imagePath);
    // The first live thread: the one that reports process-wide events.
    const SimThread* MainThread(const SimProcess& process) const;
    SimThread& NewThread(SimProcess& process);
    uint64_t MapImage(SimProcess& process, const ResolvedPath& path, uint64_t base, SimModule& module);
    void EndThread(SimThread& thread, uint32_t exitCode);
    void EndProcess(SimProcess& process, uint32_t exitCode);

    // Debugger (SimDebugger.cpp).
    bool IsDebugged(const SimProcess& process) const { return process.debugger.has_value(); }
    void QueueEvent(const DebugEvent& event);
    void RaiseException(SimThread& thread, uint32_t code, uint64_t address, bool firstChance);
    // Removes the queued events of a process (only its exceptions when
    // exceptionsOnly), closing the file handles they carried.
    void DropEvents(uint32_t processId, bool exceptionsOnly);
    // The debugger's continue of the exception a thread raised.
    void ContinueException(SimThread& thread, bool handled);

    // Execution (SimExecution.cpp): runs rounds over the threads of the
    // given processes until an event is queued for them, no thread can
    // move or maxSteps steps were made.
    void RunRounds(const std::set<uint32_t>& processIds, uint64_t maxSteps);
    bool HasEventFor(const std::set<uint32_t>& processIds) const;
    void Step(SimThread& thread);
    // The instruction at the thread's stage counts as executed.
    void FinishInstruction(SimThread& thread);

    // Instruction boundaries (SimInstructions.cpp): the length of the
    // instruction starting at address, and the start of the count-th
    // instruction after it.
    static uint8_t InstructionLength(const SimProcess& process, uint64_t address);
    static uint64_t InstructionAfter(const SimProcess& process, uint64_t address, uint64_t count);

    // Failures on purpose (SimFailures.cpp): true, using one up and setting
    // the error, when the call on that object is to fail now.
    bool TakeFailure(FailingCall call, uint32_t objectId);
};

// Set-up of a new machine: the synthesised system libraries of the own
// process (SimOwnProcess.cpp) and the clock's start date (SimClock.cpp).
void AddSystemModules(State& state);
void InitClock(State& state);

}  // namespace qv::sim::detail

namespace qv::sim {

// The machine's private state is the shared state above.
struct SimMachine::State : detail::State {};

}  // namespace qv::sim
