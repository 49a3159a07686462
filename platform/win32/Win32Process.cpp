#include <cstring>

#include "platform/win32/WinApi.h"
#include "platform/win32/Win32Platform.h"

namespace qv::win32 {

Handle Win32Platform::OpenProcess(uint32_t access, uint32_t processId) {
    return FromWin(::OpenProcess(access, FALSE, processId));
}

Handle Win32Platform::OpenThread(uint32_t access, uint32_t threadId) {
    return FromWin(::OpenThread(access, FALSE, threadId));
}

Handle Win32Platform::GetCurrentProcess() { return FromWin(::GetCurrentProcess()); }

uint32_t Win32Platform::GetCurrentProcessId() { return ::GetCurrentProcessId(); }

uint32_t Win32Platform::GetCurrentThreadId() { return ::GetCurrentThreadId(); }

uint32_t Win32Platform::GetProcessId(Handle process) { return ::GetProcessId(ToWin(process)); }

bool Win32Platform::ReadProcessMemory(Handle process, uint64_t address, void* buffer, size_t size) {
    SIZE_T done = 0;
    const BOOL ok = ::ReadProcessMemory(ToWin(process), reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(address)),
                                        buffer, size, &done);
    return ok != FALSE && done == size;
}

bool Win32Platform::WriteProcessMemory(Handle process, uint64_t address, const void* buffer, size_t size) {
    SIZE_T done = 0;
    const BOOL ok = ::WriteProcessMemory(ToWin(process), reinterpret_cast<LPVOID>(static_cast<uintptr_t>(address)),
                                         buffer, size, &done);
    return ok != FALSE && done == size;
}

uint32_t Win32Platform::GetLastError() { return ::GetLastError(); }

// SuspendThread only asks for the suspension: the thread may still run a
// few instructions on another processor (Wine: until it takes the signal).
// Reading its context waits until it has stopped, so a caller that suspends
// the other threads before it restores a breakpoint's code byte can rely on
// none of them running through that address.
uint32_t Win32Platform::SuspendThread(Handle thread) {
    const DWORD previous = ::SuspendThread(ToWin(thread));
    if (previous != static_cast<DWORD>(-1)) {
        alignas(16) CONTEXT context;
        std::memset(&context, 0, sizeof(context));
        context.ContextFlags = CONTEXT_CONTROL;
        ::GetThreadContext(ToWin(thread), &context);
    }
    return previous;
}

uint32_t Win32Platform::ResumeThread(Handle thread) { return ::ResumeThread(ToWin(thread)); }

bool Win32Platform::TerminateProcess(Handle process, uint32_t exitCode) {
    return ::TerminateProcess(ToWin(process), exitCode) != FALSE;
}

bool Win32Platform::TerminateThread(Handle thread, uint32_t exitCode) {
    return ::TerminateThread(ToWin(thread), exitCode) != FALSE;
}

bool Win32Platform::GetExitCodeProcess(Handle process, uint32_t& exitCode) {
    DWORD code = 0;
    if (::GetExitCodeProcess(ToWin(process), &code) == FALSE) return false;
    exitCode = code;
    return true;
}

uint32_t Win32Platform::WaitForSingleObject(Handle object, uint32_t milliseconds) {
    return ::WaitForSingleObject(ToWin(object), milliseconds);
}

bool Win32Platform::AdjustDebugPrivilege(Handle process, bool enable) {
    HANDLE token = nullptr;
    if (::OpenProcessToken(ToWin(process), TOKEN_ADJUST_PRIVILEGES, &token) == FALSE) return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    bool adjusted = false;
    if (::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid) != FALSE) {
        adjusted = ::AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr) != FALSE;
    }
    ::CloseHandle(token);
    return adjusted;
}

namespace {

bool IsReadableProtection(DWORD protect) {
    if ((protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0) return false;
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return (protect & kReadable) != 0;
}

}  // namespace

bool Win32Platform::IsReadableOwnMemory(const void* address, size_t size) {
    if (address == nullptr) return false;
    const auto start = reinterpret_cast<uintptr_t>(address);
    if (size == 0) return true;
    if (start + size < start) return false;
    const uintptr_t end = start + size;
    uintptr_t cursor = start;
    while (cursor < end) {
        MEMORY_BASIC_INFORMATION info{};
        if (::VirtualQuery(reinterpret_cast<LPCVOID>(cursor), &info, sizeof(info)) == 0) return false;
        if (info.State != MEM_COMMIT || !IsReadableProtection(info.Protect)) return false;
        const uintptr_t regionEnd = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
        if (regionEnd <= cursor) return false;
        cursor = regionEnd;
    }
    return true;
}

}  // namespace qv::win32
