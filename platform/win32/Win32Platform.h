// The platform over the real Win32 calls. Programs install one instance at
// start-up (SetPlatform); it keeps no state of its own beyond the sizes of
// the file mappings it created (a view's length is asked for by the seam)
// and the two entry points that are looked up by name.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>

#include "platform/Platform.h"

namespace qv::win32 {

class Win32Platform final : public IPlatform {
public:
    Win32Platform();
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    // Processes, threads, memory (Win32Process.cpp).
    Handle OpenProcess(uint32_t access, uint32_t processId) override;
    Handle OpenThread(uint32_t access, uint32_t threadId) override;
    bool CloseHandle(Handle handle) override;
    Handle GetCurrentProcess() override;
    uint32_t GetCurrentProcessId() override;
    uint32_t GetCurrentThreadId() override;
    uint32_t GetProcessId(Handle process) override;
    bool ReadProcessMemory(Handle process, uint64_t address, void* buffer, size_t size) override;
    bool WriteProcessMemory(Handle process, uint64_t address, const void* buffer, size_t size) override;
    uint32_t SuspendThread(Handle thread) override;
    uint32_t ResumeThread(Handle thread) override;
    bool TerminateProcess(Handle process, uint32_t exitCode) override;
    bool TerminateThread(Handle thread, uint32_t exitCode) override;
    bool GetExitCodeProcess(Handle process, uint32_t& exitCode) override;
    uint32_t WaitForSingleObject(Handle object, uint32_t milliseconds) override;
    bool AdjustDebugPrivilege(Handle process, bool enable) override;
    bool IsReadableOwnMemory(const void* address, size_t size) override;
    uint32_t GetLastError() override;

    // Thread registers and the thread information block (Win32Context.cpp).
    // A record asking for no register groups gets all of them; a write
    // sets the control and integer groups (what the record carries) and
    // leaves the thread's segment, debug and floating-point state alone.
    bool GetThreadContext(Handle thread, ThreadContext& context) override;
    bool SetThreadContext(Handle thread, const ThreadContext& context) override;
    int32_t NtQueryInformationThread(Handle thread, uint32_t infoClass, void* buffer, uint32_t length) override;

    // The debugging interface (Win32Debug.cpp).
    bool DebugActiveProcess(uint32_t processId) override;
    bool DebugActiveProcessStop(uint32_t processId) override;
    bool DebugSetProcessKillOnExit(bool killOnExit) override;
    bool WaitForDebugEvent(DebugEvent& event, uint32_t milliseconds) override;
    bool ContinueDebugEvent(uint32_t processId, uint32_t threadId, uint32_t status) override;
    void SleepEx(uint32_t milliseconds, bool alertable) override;

    // Modules, snapshots, process status, devices (Win32Status.cpp).
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

    // Files and mappings (Win32Files.cpp).
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

    // Image help and the symbol handler (Win32ImageHelp.cpp).
    std::optional<LoadedImageInfo> MapAndLoad(const char* imageName) override;
    bool SymInitialize(Handle process, bool invadeProcess) override;
    bool SymCleanup(Handle process) override;
    bool StackWalk64(uint32_t machineType, Handle process, Handle thread, StackFrame64& frame,
                     ThreadContext& context) override;

    // Time (Win32Time.cpp).
    SystemTime GetLocalTime() override;
    SystemTime GetSystemTime() override;
    std::optional<FileTime> FileTimeToLocalFileTime(FileTime utc) override;
    int32_t GetRuntimeTimeZoneBias() override;
    int64_t QueryPerformanceCounter() override;
    int64_t QueryPerformanceFrequency() override;
    SystemInfo GetSystemInfo() override;

    // Process and thread accounting (Win32Accounting.cpp).
    std::optional<ObjectTimes> GetProcessTimes(Handle process) override;
    std::optional<ObjectTimes> GetThreadTimes(Handle thread) override;
    std::optional<ProcessMemoryCounters> GetProcessMemoryInfo(Handle process) override;
    std::optional<IoCounters> GetProcessIoCounters(Handle process) override;
    std::optional<uint64_t> QueryProcessCycleTime(Handle process) override;
    std::optional<uint64_t> QueryThreadCycleTime(Handle thread) override;
    std::optional<bool> GetThreadIOPendingFlag(Handle thread) override;
    int32_t GetThreadPriority(Handle thread) override;

private:
    // Mapping handle -> the number of bytes it maps, recorded at
    // CreateFileMapping and forgotten at CloseHandle.
    std::mutex m_mappingLock;
    std::map<Handle, uint64_t> m_mappingSizes;
};

}  // namespace qv::win32
