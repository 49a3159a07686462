#include "ui/ProcessControl.h"

#include "platform/Platform.h"

namespace qv {

namespace {

constexpr uint32_t kThreadCallFailed = 0xFFFFFFFF;
constexpr uint32_t kKilledThreadExitCode = 1;

// One thread opened with all access rights for one call, closed after.
template <typename Operation>
bool WithThread(uint32_t threadId, Operation operation) {
    IPlatform& platform = Platform();
    const Handle thread = platform.OpenThread(kThreadAllAccess, threadId);
    if (thread == kNullHandle) return false;
    // A thread that has ended still opens while a handle to it is left (its
    // own process keeps one), and resuming or terminating it then reports
    // success; but there is nothing left to act on.
    const bool succeeded = platform.WaitForSingleObject(thread, 0) == kWaitTimeout && operation(platform, thread);
    platform.CloseHandle(thread);
    return succeeded;
}

// A process has at least one thread while it exists: when the snapshot holds
// threads but none of the process, the process has ended, and that is a
// failure, not a success with nothing to do.
bool ForEachThreadOf(uint32_t processId, bool (*operation)(uint32_t)) {
    const auto snapshot = Platform().SnapshotThreads(0);
    if (!snapshot) return false;
    if (snapshot->empty()) return true;
    bool found = false;
    bool succeeded = true;
    for (const ThreadEntry& entry : *snapshot) {
        if (entry.th32OwnerProcessID != processId) continue;
        found = true;
        if (!operation(entry.th32ThreadID)) succeeded = false;
    }
    return found && succeeded;
}

}  // namespace

bool KillProcess(uint32_t processId) {
    IPlatform& platform = Platform();
    const Handle process = platform.OpenProcess(kProcessAllAccess, processId);
    if (process == kNullHandle) return false;
    uint32_t exitCode = 0;
    const bool succeeded = platform.GetExitCodeProcess(process, exitCode) && platform.TerminateProcess(process, exitCode);
    platform.CloseHandle(process);
    return succeeded;
}

bool KillThread(uint32_t threadId) {
    return WithThread(threadId, [](IPlatform& platform, Handle thread) {
        return platform.TerminateThread(thread, kKilledThreadExitCode);
    });
}

bool SuspendThreadById(uint32_t threadId) {
    return WithThread(threadId, [](IPlatform& platform, Handle thread) {
        return platform.SuspendThread(thread) != kThreadCallFailed;
    });
}

bool ResumeThreadById(uint32_t threadId) {
    return WithThread(threadId, [](IPlatform& platform, Handle thread) {
        return platform.ResumeThread(thread) != kThreadCallFailed;
    });
}

bool SuspendProcess(uint32_t processId) { return ForEachThreadOf(processId, &SuspendThreadById); }
bool ResumeProcess(uint32_t processId) { return ForEachThreadOf(processId, &ResumeThreadById); }

}  // namespace qv
