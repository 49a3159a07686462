// A platform that forwards every call to another one and counts the calls
// per kind: the benchmark prints what a hit costs in calls across the seam,
// and tests pin the count of a path so that a regression shows.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/Platform.h"

namespace qv {

// Every call of the interface, once: the kinds and their names are made
// from this one list.
#define QV_PLATFORM_CALLS(X) \
    X(OpenProcess) \
    X(OpenThread) \
    X(CloseHandle) \
    X(GetCurrentProcess) \
    X(GetCurrentProcessId) \
    X(GetCurrentThreadId) \
    X(GetProcessId) \
    X(ReadProcessMemory) \
    X(WriteProcessMemory) \
    X(GetThreadContext) \
    X(SetThreadContext) \
    X(SuspendThread) \
    X(ResumeThread) \
    X(TerminateProcess) \
    X(TerminateThread) \
    X(GetExitCodeProcess) \
    X(WaitForSingleObject) \
    X(NtQueryInformationThread) \
    X(AdjustDebugPrivilege) \
    X(DebugActiveProcess) \
    X(DebugActiveProcessStop) \
    X(DebugSetProcessKillOnExit) \
    X(WaitForDebugEvent) \
    X(ContinueDebugEvent) \
    X(SleepEx) \
    X(GetModuleHandle) \
    X(GetProcAddress) \
    X(SnapshotThreads) \
    X(SnapshotModules) \
    X(EnumProcesses) \
    X(EnumProcessModules) \
    X(GetModuleBaseName) \
    X(GetModuleFileNameEx) \
    X(GetMappedFileName) \
    X(GetLogicalDriveStrings) \
    X(QueryDosDevice) \
    X(OpenFileForRead) \
    X(CreateFileForWrite) \
    X(ReadFile) \
    X(WriteFile) \
    X(GetFileSize) \
    X(GetFileLastWriteTime) \
    X(CreateFileMapping) \
    X(MapViewOfFile) \
    X(UnmapViewOfFile) \
    X(FindFirstFileAttributes) \
    X(GetCurrentDirectory) \
    X(MapAndLoad) \
    X(SymInitialize) \
    X(SymCleanup) \
    X(StackWalk64) \
    X(IsReadableOwnMemory) \
    X(GetLastError) \
    X(GetLocalTime) \
    X(GetSystemTime) \
    X(GetProcessTimes) \
    X(GetThreadTimes) \
    X(GetProcessMemoryInfo) \
    X(GetProcessIoCounters) \
    X(QueryProcessCycleTime) \
    X(QueryThreadCycleTime) \
    X(GetThreadIOPendingFlag) \
    X(GetThreadPriority) \
    X(QueryPerformanceCounter) \
    X(QueryPerformanceFrequency) \
    X(GetSystemInfo) \
    X(FileTimeToLocalFileTime) \
    X(GetRuntimeTimeZoneBias)

enum class PlatformCall : size_t {
#define QV_PLATFORM_CALL_KIND(name) name,
    QV_PLATFORM_CALLS(QV_PLATFORM_CALL_KIND)
#undef QV_PLATFORM_CALL_KIND
    Count
};

inline constexpr size_t kPlatformCallKinds = static_cast<size_t>(PlatformCall::Count);

// The kinds' names, in the order of PlatformCall.
extern const std::array<const char*, kPlatformCallKinds> kPlatformCallNames;

using PlatformCallCounts = std::array<uint64_t, kPlatformCallKinds>;

// The calls of a span: after minus before, per kind.
PlatformCallCounts CallsBetween(const PlatformCallCounts& before, const PlatformCallCounts& after);
uint64_t TotalCalls(const PlatformCallCounts& counts);

// Safe to call from any thread; the counts are relaxed atomics, so a
// snapshot taken while others call is a close figure, not a fence.
class CountingPlatform : public IPlatform {
public:
    explicit CountingPlatform(IPlatform& inner) : m_inner(inner) {}

    PlatformCallCounts Counts() const;
    uint64_t Count(PlatformCall kind) const { return m_counts[static_cast<size_t>(kind)].load(std::memory_order_relaxed); }

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
    bool StackWalk64(uint32_t machineType, Handle process, Handle thread, StackFrame64& frame, ThreadContext& context) override;
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
    void Counted(PlatformCall kind) { m_counts[static_cast<size_t>(kind)].fetch_add(1, std::memory_order_relaxed); }

    IPlatform& m_inner;
    std::array<std::atomic<uint64_t>, kPlatformCallKinds> m_counts{};
};

}  // namespace qv
