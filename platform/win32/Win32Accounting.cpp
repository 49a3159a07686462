#include "platform/win32/WinApi.h"
#include "platform/win32/Win32Platform.h"

namespace qv::win32 {

namespace {

FileTime FromWin(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

std::optional<ObjectTimes> Win32Platform::GetProcessTimes(Handle process) {
    FILETIME creation{}, exit{}, kernel{}, user{};
    if (::GetProcessTimes(ToWin(process), &creation, &exit, &kernel, &user) == FALSE) return std::nullopt;
    return ObjectTimes{FromWin(creation), FromWin(exit), FromWin(kernel), FromWin(user)};
}

std::optional<ObjectTimes> Win32Platform::GetThreadTimes(Handle thread) {
    FILETIME creation{}, exit{}, kernel{}, user{};
    if (::GetThreadTimes(ToWin(thread), &creation, &exit, &kernel, &user) == FALSE) return std::nullopt;
    return ObjectTimes{FromWin(creation), FromWin(exit), FromWin(kernel), FromWin(user)};
}

std::optional<ProcessMemoryCounters> Win32Platform::GetProcessMemoryInfo(Handle process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (::GetProcessMemoryInfo(ToWin(process), &counters, sizeof(counters)) == FALSE) return std::nullopt;
    ProcessMemoryCounters to;
    to.cb = counters.cb;
    to.PageFaultCount = counters.PageFaultCount;
    to.PeakWorkingSetSize = counters.PeakWorkingSetSize;
    to.WorkingSetSize = counters.WorkingSetSize;
    to.QuotaPeakPagedPoolUsage = counters.QuotaPeakPagedPoolUsage;
    to.QuotaPagedPoolUsage = counters.QuotaPagedPoolUsage;
    to.QuotaPeakNonPagedPoolUsage = counters.QuotaPeakNonPagedPoolUsage;
    to.QuotaNonPagedPoolUsage = counters.QuotaNonPagedPoolUsage;
    to.PagefileUsage = counters.PagefileUsage;
    to.PeakPagefileUsage = counters.PeakPagefileUsage;
    return to;
}

std::optional<IoCounters> Win32Platform::GetProcessIoCounters(Handle process) {
    IO_COUNTERS counters{};
    if (::GetProcessIoCounters(ToWin(process), &counters) == FALSE) return std::nullopt;
    return IoCounters{counters.ReadOperationCount, counters.WriteOperationCount, counters.OtherOperationCount,
                      counters.ReadTransferCount,  counters.WriteTransferCount, counters.OtherTransferCount};
}

std::optional<uint64_t> Win32Platform::QueryProcessCycleTime(Handle process) {
    ULONG64 cycles = 0;
    if (::QueryProcessCycleTime(ToWin(process), &cycles) == FALSE) return std::nullopt;
    return cycles;
}

std::optional<uint64_t> Win32Platform::QueryThreadCycleTime(Handle thread) {
    ULONG64 cycles = 0;
    if (::QueryThreadCycleTime(ToWin(thread), &cycles) == FALSE) return std::nullopt;
    return cycles;
}

std::optional<bool> Win32Platform::GetThreadIOPendingFlag(Handle thread) {
    BOOL pending = FALSE;
    if (::GetThreadIOPendingFlag(ToWin(thread), &pending) == FALSE) return std::nullopt;
    return pending != FALSE;
}

int32_t Win32Platform::GetThreadPriority(Handle thread) { return ::GetThreadPriority(ToWin(thread)); }

}  // namespace qv::win32
