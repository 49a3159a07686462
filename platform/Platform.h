// The operating-system seam. Every Part reaches Windows only through this
// interface; the win32 backend forwards to the real calls, the sim backend
// models a Windows machine for tests. Semantics are Win32's: a failed open
// gives kNullHandle, ResumeThread returns the previous suspend count, a wait
// takes a time-out in milliseconds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/PlatformTypes.h"

namespace qv {

class IPlatform {
public:
    virtual ~IPlatform() = default;

    // Processes and threads.
    virtual Handle OpenProcess(uint32_t access, uint32_t processId) = 0;
    virtual Handle OpenThread(uint32_t access, uint32_t threadId) = 0;
    virtual bool CloseHandle(Handle handle) = 0;
    virtual Handle GetCurrentProcess() = 0;
    virtual uint32_t GetCurrentProcessId() = 0;
    virtual uint32_t GetCurrentThreadId() = 0;
    virtual uint32_t GetProcessId(Handle process) = 0;
    virtual bool ReadProcessMemory(Handle process, uint64_t address, void* buffer, size_t size) = 0;
    virtual bool WriteProcessMemory(Handle process, uint64_t address, const void* buffer, size_t size) = 0;
    virtual bool GetThreadContext(Handle thread, ThreadContext& context) = 0;
    virtual bool SetThreadContext(Handle thread, const ThreadContext& context) = 0;
    // Previous suspend count, or 0xFFFFFFFF on failure.
    virtual uint32_t SuspendThread(Handle thread) = 0;
    virtual uint32_t ResumeThread(Handle thread) = 0;
    virtual bool TerminateProcess(Handle process, uint32_t exitCode) = 0;
    virtual bool TerminateThread(Handle thread, uint32_t exitCode) = 0;
    virtual bool GetExitCodeProcess(Handle process, uint32_t& exitCode) = 0;
    virtual uint32_t WaitForSingleObject(Handle object, uint32_t milliseconds) = 0;
    // NtQueryInformationThread as found by name in ntdll.dll; the caller looks
    // the name up first (GetProcAddress) as the real program does.
    virtual int32_t NtQueryInformationThread(Handle thread, uint32_t infoClass, void* buffer,
                                             uint32_t length) = 0;

    // Privileges: OpenProcessToken + LookupPrivilegeValue("SeDebugPrivilege")
    // + AdjustTokenPrivileges, closing the token. True when the adjust call
    // succeeded.
    virtual bool AdjustDebugPrivilege(Handle process, bool enable) = 0;

    // The debugging interface; all calls but DebugSetProcessKillOnExit belong
    // to the thread that attached.
    virtual bool DebugActiveProcess(uint32_t processId) = 0;
    virtual bool DebugActiveProcessStop(uint32_t processId) = 0;
    virtual bool DebugSetProcessKillOnExit(bool killOnExit) = 0;
    virtual bool WaitForDebugEvent(DebugEvent& event, uint32_t milliseconds) = 0;
    virtual bool ContinueDebugEvent(uint32_t processId, uint32_t threadId, uint32_t status) = 0;
    virtual void SleepEx(uint32_t milliseconds, bool alertable) = 0;

    // Modules of the tool's own process (GetModuleHandleA, GetProcAddress).
    virtual uint64_t GetModuleHandle(const char* moduleName) = 0;
    virtual uint64_t GetProcAddress(uint64_t module, const char* procName) = 0;

    // Snapshots and process status. A failed snapshot is nullopt.
    virtual std::optional<std::vector<ThreadEntry>> SnapshotThreads(uint32_t processId) = 0;
    // processId 0 means the tool's own process.
    virtual std::optional<std::vector<ModuleEntry>> SnapshotModules(uint32_t processId) = 0;
    virtual std::optional<std::vector<uint32_t>> EnumProcesses() = 0;
    virtual std::optional<std::vector<uint64_t>> EnumProcessModules(Handle process) = 0;
    virtual std::optional<std::string> GetModuleBaseName(Handle process, uint64_t module) = 0;
    virtual std::optional<std::string> GetModuleFileNameEx(Handle process, uint64_t module) = 0;
    // The native device path of the file mapped at address in process.
    virtual std::optional<std::string> GetMappedFileName(Handle process, const void* address) = 0;
    virtual std::vector<std::string> GetLogicalDriveStrings() = 0;
    virtual std::optional<std::string> QueryDosDevice(const char* deviceName) = 0;

    // Files. Paths are Windows paths ("C:\\dir\\file", or relative to the
    // current directory).
    virtual Handle OpenFileForRead(const char* path, uint32_t shareMode) = 0;
    virtual Handle CreateFileForWrite(const char* path) = 0;
    virtual bool ReadFile(Handle file, void* buffer, uint32_t size, uint32_t& bytesRead) = 0;
    virtual bool WriteFile(Handle file, const void* buffer, uint32_t size) = 0;
    virtual std::optional<uint64_t> GetFileSize(Handle file) = 0;
    virtual std::optional<FileTime> GetFileLastWriteTime(Handle file) = 0;
    // A read-only mapping of the file; maximumSize 0 means the whole file.
    virtual Handle CreateFileMapping(Handle file, uint64_t maximumSize) = 0;
    // A read-only view of the mapping; viewSize 0 means all of it. The
    // mapped length is returned through length.
    virtual const uint8_t* MapViewOfFile(Handle mapping, uint64_t viewSize, uint64_t& length) = 0;
    virtual bool UnmapViewOfFile(const void* view) = 0;
    // FindFirstFile: the attributes of the first match, nullopt when none.
    virtual std::optional<uint32_t> FindFirstFileAttributes(const char* path) = 0;
    virtual std::string GetCurrentDirectory() = 0;

    // Image help: MapAndLoad by file name with the system's image search
    // order, nullopt when the image can't be loaded.
    virtual std::optional<LoadedImageInfo> MapAndLoad(const char* imageName) = 0;
    virtual bool SymInitialize(Handle process, bool invadeProcess) = 0;
    virtual bool SymCleanup(Handle process) = 0;
    // StackWalk64 with the platform's own memory reader, the symbol
    // handler's SymFunctionTableAccess64 and SymGetModuleBase64 as the
    // function-table and module-base callbacks, and no address translator.
    // Each call moves frame (and context) one frame outwards; false when no
    // further frame can be found.
    virtual bool StackWalk64(uint32_t machineType, Handle process, Handle thread, StackFrame64& frame,
                             ThreadContext& context) = 0;

    // Own-process memory probe (IsBadReadPtr inverted).
    virtual bool IsReadableOwnMemory(const void* address, size_t size) = 0;

    // The calling thread's error code after a failed call of this interface
    // (GetLastError).
    virtual uint32_t GetLastError() = 0;

    // Time.
    virtual SystemTime GetLocalTime() = 0;
    virtual SystemTime GetSystemTime() = 0;

    // Accounting: one call per kind. A failed call gives nullopt (or the
    // value Win32 fails with) and never another object's figures.
    virtual std::optional<ObjectTimes> GetProcessTimes(Handle process) = 0;
    virtual std::optional<ObjectTimes> GetThreadTimes(Handle thread) = 0;
    virtual std::optional<ProcessMemoryCounters> GetProcessMemoryInfo(Handle process) = 0;
    virtual std::optional<IoCounters> GetProcessIoCounters(Handle process) = 0;
    virtual std::optional<uint64_t> QueryProcessCycleTime(Handle process) = 0;
    virtual std::optional<uint64_t> QueryThreadCycleTime(Handle thread) = 0;
    virtual std::optional<bool> GetThreadIOPendingFlag(Handle thread) = 0;
    // kThreadPriorityErrorReturn on failure.
    virtual int32_t GetThreadPriority(Handle thread) = 0;
    // 0 on failure.
    virtual int64_t QueryPerformanceCounter() = 0;
    virtual int64_t QueryPerformanceFrequency() = 0;
    virtual SystemInfo GetSystemInfo() = 0;
    // A UTC file time in the system's local time (with daylight saving as
    // the system applies it now).
    virtual std::optional<FileTime> FileTimeToLocalFileTime(FileTime utc) = 0;
    // The C runtime's standard time-zone bias after _tzset (_timezone):
    // seconds to add to local standard time to get UTC.
    virtual int32_t GetRuntimeTimeZoneBias() = 0;
};

// The active platform. Programs install the win32 backend at start-up, tests
// install a sim machine; nothing above the seam knows which one runs.
IPlatform& Platform();
void SetPlatform(IPlatform* platform);

}  // namespace qv
