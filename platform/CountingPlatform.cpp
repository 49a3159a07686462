#include "platform/CountingPlatform.h"

namespace qv {

const std::array<const char*, kPlatformCallKinds> kPlatformCallNames = {
#define QV_PLATFORM_CALL_NAME(name) #name,
    QV_PLATFORM_CALLS(QV_PLATFORM_CALL_NAME)
#undef QV_PLATFORM_CALL_NAME
};

PlatformCallCounts CallsBetween(const PlatformCallCounts& before, const PlatformCallCounts& after) {
    PlatformCallCounts span{};
    for (size_t i = 0; i < span.size(); ++i) span[i] = after[i] - before[i];
    return span;
}

uint64_t TotalCalls(const PlatformCallCounts& counts) {
    uint64_t total = 0;
    for (const uint64_t count : counts) total += count;
    return total;
}

PlatformCallCounts CountingPlatform::Counts() const {
    PlatformCallCounts counts{};
    for (size_t i = 0; i < counts.size(); ++i) counts[i] = m_counts[i].load(std::memory_order_relaxed);
    return counts;
}

Handle CountingPlatform::OpenProcess(uint32_t access, uint32_t processId) {
    Counted(PlatformCall::OpenProcess);
    return m_inner.OpenProcess(access, processId);
}

Handle CountingPlatform::OpenThread(uint32_t access, uint32_t threadId) {
    Counted(PlatformCall::OpenThread);
    return m_inner.OpenThread(access, threadId);
}

bool CountingPlatform::CloseHandle(Handle handle) {
    Counted(PlatformCall::CloseHandle);
    return m_inner.CloseHandle(handle);
}

Handle CountingPlatform::GetCurrentProcess() {
    Counted(PlatformCall::GetCurrentProcess);
    return m_inner.GetCurrentProcess();
}

uint32_t CountingPlatform::GetCurrentProcessId() {
    Counted(PlatformCall::GetCurrentProcessId);
    return m_inner.GetCurrentProcessId();
}

uint32_t CountingPlatform::GetCurrentThreadId() {
    Counted(PlatformCall::GetCurrentThreadId);
    return m_inner.GetCurrentThreadId();
}

uint32_t CountingPlatform::GetProcessId(Handle process) {
    Counted(PlatformCall::GetProcessId);
    return m_inner.GetProcessId(process);
}

bool CountingPlatform::ReadProcessMemory(Handle process, uint64_t address, void* buffer, size_t size) {
    Counted(PlatformCall::ReadProcessMemory);
    return m_inner.ReadProcessMemory(process, address, buffer, size);
}

bool CountingPlatform::WriteProcessMemory(Handle process, uint64_t address, const void* buffer, size_t size) {
    Counted(PlatformCall::WriteProcessMemory);
    return m_inner.WriteProcessMemory(process, address, buffer, size);
}

bool CountingPlatform::GetThreadContext(Handle thread, ThreadContext& context) {
    Counted(PlatformCall::GetThreadContext);
    return m_inner.GetThreadContext(thread, context);
}

bool CountingPlatform::SetThreadContext(Handle thread, const ThreadContext& context) {
    Counted(PlatformCall::SetThreadContext);
    return m_inner.SetThreadContext(thread, context);
}

uint32_t CountingPlatform::SuspendThread(Handle thread) {
    Counted(PlatformCall::SuspendThread);
    return m_inner.SuspendThread(thread);
}

uint32_t CountingPlatform::ResumeThread(Handle thread) {
    Counted(PlatformCall::ResumeThread);
    return m_inner.ResumeThread(thread);
}

bool CountingPlatform::TerminateProcess(Handle process, uint32_t exitCode) {
    Counted(PlatformCall::TerminateProcess);
    return m_inner.TerminateProcess(process, exitCode);
}

bool CountingPlatform::TerminateThread(Handle thread, uint32_t exitCode) {
    Counted(PlatformCall::TerminateThread);
    return m_inner.TerminateThread(thread, exitCode);
}

bool CountingPlatform::GetExitCodeProcess(Handle process, uint32_t& exitCode) {
    Counted(PlatformCall::GetExitCodeProcess);
    return m_inner.GetExitCodeProcess(process, exitCode);
}

uint32_t CountingPlatform::WaitForSingleObject(Handle object, uint32_t milliseconds) {
    Counted(PlatformCall::WaitForSingleObject);
    return m_inner.WaitForSingleObject(object, milliseconds);
}

int32_t CountingPlatform::NtQueryInformationThread(Handle thread, uint32_t infoClass, void* buffer, uint32_t length) {
    Counted(PlatformCall::NtQueryInformationThread);
    return m_inner.NtQueryInformationThread(thread, infoClass, buffer, length);
}

bool CountingPlatform::AdjustDebugPrivilege(Handle process, bool enable) {
    Counted(PlatformCall::AdjustDebugPrivilege);
    return m_inner.AdjustDebugPrivilege(process, enable);
}

bool CountingPlatform::DebugActiveProcess(uint32_t processId) {
    Counted(PlatformCall::DebugActiveProcess);
    return m_inner.DebugActiveProcess(processId);
}

bool CountingPlatform::DebugActiveProcessStop(uint32_t processId) {
    Counted(PlatformCall::DebugActiveProcessStop);
    return m_inner.DebugActiveProcessStop(processId);
}

bool CountingPlatform::DebugSetProcessKillOnExit(bool killOnExit) {
    Counted(PlatformCall::DebugSetProcessKillOnExit);
    return m_inner.DebugSetProcessKillOnExit(killOnExit);
}

bool CountingPlatform::WaitForDebugEvent(DebugEvent& event, uint32_t milliseconds) {
    Counted(PlatformCall::WaitForDebugEvent);
    return m_inner.WaitForDebugEvent(event, milliseconds);
}

bool CountingPlatform::ContinueDebugEvent(uint32_t processId, uint32_t threadId, uint32_t status) {
    Counted(PlatformCall::ContinueDebugEvent);
    return m_inner.ContinueDebugEvent(processId, threadId, status);
}

void CountingPlatform::SleepEx(uint32_t milliseconds, bool alertable) {
    Counted(PlatformCall::SleepEx);
    m_inner.SleepEx(milliseconds, alertable);
}

uint64_t CountingPlatform::GetModuleHandle(const char* moduleName) {
    Counted(PlatformCall::GetModuleHandle);
    return m_inner.GetModuleHandle(moduleName);
}

uint64_t CountingPlatform::GetProcAddress(uint64_t module, const char* procName) {
    Counted(PlatformCall::GetProcAddress);
    return m_inner.GetProcAddress(module, procName);
}

std::optional<std::vector<ThreadEntry>> CountingPlatform::SnapshotThreads(uint32_t processId) {
    Counted(PlatformCall::SnapshotThreads);
    return m_inner.SnapshotThreads(processId);
}

std::optional<std::vector<ModuleEntry>> CountingPlatform::SnapshotModules(uint32_t processId) {
    Counted(PlatformCall::SnapshotModules);
    return m_inner.SnapshotModules(processId);
}

std::optional<std::vector<uint32_t>> CountingPlatform::EnumProcesses() {
    Counted(PlatformCall::EnumProcesses);
    return m_inner.EnumProcesses();
}

std::optional<std::vector<uint64_t>> CountingPlatform::EnumProcessModules(Handle process) {
    Counted(PlatformCall::EnumProcessModules);
    return m_inner.EnumProcessModules(process);
}

std::optional<std::string> CountingPlatform::GetModuleBaseName(Handle process, uint64_t module) {
    Counted(PlatformCall::GetModuleBaseName);
    return m_inner.GetModuleBaseName(process, module);
}

std::optional<std::string> CountingPlatform::GetModuleFileNameEx(Handle process, uint64_t module) {
    Counted(PlatformCall::GetModuleFileNameEx);
    return m_inner.GetModuleFileNameEx(process, module);
}

std::optional<std::string> CountingPlatform::GetMappedFileName(Handle process, const void* address) {
    Counted(PlatformCall::GetMappedFileName);
    return m_inner.GetMappedFileName(process, address);
}

std::vector<std::string> CountingPlatform::GetLogicalDriveStrings() {
    Counted(PlatformCall::GetLogicalDriveStrings);
    return m_inner.GetLogicalDriveStrings();
}

std::optional<std::string> CountingPlatform::QueryDosDevice(const char* deviceName) {
    Counted(PlatformCall::QueryDosDevice);
    return m_inner.QueryDosDevice(deviceName);
}

Handle CountingPlatform::OpenFileForRead(const char* path, uint32_t shareMode) {
    Counted(PlatformCall::OpenFileForRead);
    return m_inner.OpenFileForRead(path, shareMode);
}

Handle CountingPlatform::CreateFileForWrite(const char* path) {
    Counted(PlatformCall::CreateFileForWrite);
    return m_inner.CreateFileForWrite(path);
}

bool CountingPlatform::ReadFile(Handle file, void* buffer, uint32_t size, uint32_t& bytesRead) {
    Counted(PlatformCall::ReadFile);
    return m_inner.ReadFile(file, buffer, size, bytesRead);
}

bool CountingPlatform::WriteFile(Handle file, const void* buffer, uint32_t size) {
    Counted(PlatformCall::WriteFile);
    return m_inner.WriteFile(file, buffer, size);
}

std::optional<uint64_t> CountingPlatform::GetFileSize(Handle file) {
    Counted(PlatformCall::GetFileSize);
    return m_inner.GetFileSize(file);
}

std::optional<FileTime> CountingPlatform::GetFileLastWriteTime(Handle file) {
    Counted(PlatformCall::GetFileLastWriteTime);
    return m_inner.GetFileLastWriteTime(file);
}

Handle CountingPlatform::CreateFileMapping(Handle file, uint64_t maximumSize) {
    Counted(PlatformCall::CreateFileMapping);
    return m_inner.CreateFileMapping(file, maximumSize);
}

const uint8_t* CountingPlatform::MapViewOfFile(Handle mapping, uint64_t viewSize, uint64_t& length) {
    Counted(PlatformCall::MapViewOfFile);
    return m_inner.MapViewOfFile(mapping, viewSize, length);
}

bool CountingPlatform::UnmapViewOfFile(const void* view) {
    Counted(PlatformCall::UnmapViewOfFile);
    return m_inner.UnmapViewOfFile(view);
}

std::optional<uint32_t> CountingPlatform::FindFirstFileAttributes(const char* path) {
    Counted(PlatformCall::FindFirstFileAttributes);
    return m_inner.FindFirstFileAttributes(path);
}

std::string CountingPlatform::GetCurrentDirectory() {
    Counted(PlatformCall::GetCurrentDirectory);
    return m_inner.GetCurrentDirectory();
}

std::optional<LoadedImageInfo> CountingPlatform::MapAndLoad(const char* imageName) {
    Counted(PlatformCall::MapAndLoad);
    return m_inner.MapAndLoad(imageName);
}

bool CountingPlatform::SymInitialize(Handle process, bool invadeProcess) {
    Counted(PlatformCall::SymInitialize);
    return m_inner.SymInitialize(process, invadeProcess);
}

bool CountingPlatform::SymCleanup(Handle process) {
    Counted(PlatformCall::SymCleanup);
    return m_inner.SymCleanup(process);
}

bool CountingPlatform::StackWalk64(uint32_t machineType, Handle process, Handle thread, StackFrame64& frame, ThreadContext& context) {
    Counted(PlatformCall::StackWalk64);
    return m_inner.StackWalk64(machineType, process, thread, frame, context);
}

bool CountingPlatform::IsReadableOwnMemory(const void* address, size_t size) {
    Counted(PlatformCall::IsReadableOwnMemory);
    return m_inner.IsReadableOwnMemory(address, size);
}

uint32_t CountingPlatform::GetLastError() {
    Counted(PlatformCall::GetLastError);
    return m_inner.GetLastError();
}

SystemTime CountingPlatform::GetLocalTime() {
    Counted(PlatformCall::GetLocalTime);
    return m_inner.GetLocalTime();
}

SystemTime CountingPlatform::GetSystemTime() {
    Counted(PlatformCall::GetSystemTime);
    return m_inner.GetSystemTime();
}

std::optional<ObjectTimes> CountingPlatform::GetProcessTimes(Handle process) {
    Counted(PlatformCall::GetProcessTimes);
    return m_inner.GetProcessTimes(process);
}

std::optional<ObjectTimes> CountingPlatform::GetThreadTimes(Handle thread) {
    Counted(PlatformCall::GetThreadTimes);
    return m_inner.GetThreadTimes(thread);
}

std::optional<ProcessMemoryCounters> CountingPlatform::GetProcessMemoryInfo(Handle process) {
    Counted(PlatformCall::GetProcessMemoryInfo);
    return m_inner.GetProcessMemoryInfo(process);
}

std::optional<IoCounters> CountingPlatform::GetProcessIoCounters(Handle process) {
    Counted(PlatformCall::GetProcessIoCounters);
    return m_inner.GetProcessIoCounters(process);
}

std::optional<uint64_t> CountingPlatform::QueryProcessCycleTime(Handle process) {
    Counted(PlatformCall::QueryProcessCycleTime);
    return m_inner.QueryProcessCycleTime(process);
}

std::optional<uint64_t> CountingPlatform::QueryThreadCycleTime(Handle thread) {
    Counted(PlatformCall::QueryThreadCycleTime);
    return m_inner.QueryThreadCycleTime(thread);
}

std::optional<bool> CountingPlatform::GetThreadIOPendingFlag(Handle thread) {
    Counted(PlatformCall::GetThreadIOPendingFlag);
    return m_inner.GetThreadIOPendingFlag(thread);
}

int32_t CountingPlatform::GetThreadPriority(Handle thread) {
    Counted(PlatformCall::GetThreadPriority);
    return m_inner.GetThreadPriority(thread);
}

int64_t CountingPlatform::QueryPerformanceCounter() {
    Counted(PlatformCall::QueryPerformanceCounter);
    return m_inner.QueryPerformanceCounter();
}

int64_t CountingPlatform::QueryPerformanceFrequency() {
    Counted(PlatformCall::QueryPerformanceFrequency);
    return m_inner.QueryPerformanceFrequency();
}

SystemInfo CountingPlatform::GetSystemInfo() {
    Counted(PlatformCall::GetSystemInfo);
    return m_inner.GetSystemInfo();
}

std::optional<FileTime> CountingPlatform::FileTimeToLocalFileTime(FileTime utc) {
    Counted(PlatformCall::FileTimeToLocalFileTime);
    return m_inner.FileTimeToLocalFileTime(utc);
}

int32_t CountingPlatform::GetRuntimeTimeZoneBias() {
    Counted(PlatformCall::GetRuntimeTimeZoneBias);
    return m_inner.GetRuntimeTimeZoneBias();
}

}  // namespace qv
