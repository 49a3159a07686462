#include "platform/win32/WinApi.h"
#include "platform/win32/Win32Platform.h"

namespace qv::win32 {

namespace {

uint64_t Address(const void* pointer) { return reinterpret_cast<uintptr_t>(pointer); }

uint64_t StartAddress(LPTHREAD_START_ROUTINE start) {
    return reinterpret_cast<uintptr_t>(reinterpret_cast<void*>(start));
}

// DEBUG_EVENT -> the seam's record: the fields of the event's kind only.
void Convert(const DEBUG_EVENT& from, DebugEvent& to) {
    to = DebugEvent{};
    to.dwDebugEventCode = from.dwDebugEventCode;
    to.dwProcessId = from.dwProcessId;
    to.dwThreadId = from.dwThreadId;
    switch (from.dwDebugEventCode) {
        case EXCEPTION_DEBUG_EVENT:
            to.ExceptionCode = from.u.Exception.ExceptionRecord.ExceptionCode;
            to.ExceptionAddress = Address(from.u.Exception.ExceptionRecord.ExceptionAddress);
            to.dwFirstChance = from.u.Exception.dwFirstChance;
            break;
        case CREATE_THREAD_DEBUG_EVENT:
            to.lpStartAddress = StartAddress(from.u.CreateThread.lpStartAddress);
            break;
        case CREATE_PROCESS_DEBUG_EVENT:
            to.hFile = FromWinFile(from.u.CreateProcessInfo.hFile);
            to.lpBaseOfImage = Address(from.u.CreateProcessInfo.lpBaseOfImage);
            to.lpStartAddress = StartAddress(from.u.CreateProcessInfo.lpStartAddress);
            break;
        case EXIT_THREAD_DEBUG_EVENT:
            to.dwExitCode = from.u.ExitThread.dwExitCode;
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            to.dwExitCode = from.u.ExitProcess.dwExitCode;
            break;
        case LOAD_DLL_DEBUG_EVENT:
            to.hFile = FromWinFile(from.u.LoadDll.hFile);
            to.lpBaseOfImage = Address(from.u.LoadDll.lpBaseOfDll);
            break;
        case UNLOAD_DLL_DEBUG_EVENT:
            to.lpBaseOfImage = Address(from.u.UnloadDll.lpBaseOfDll);
            break;
        default:
            break;
    }
}

}  // namespace

bool Win32Platform::DebugActiveProcess(uint32_t processId) { return ::DebugActiveProcess(processId) != FALSE; }

// Looked up by name: older systems' kernel32 doesn't export it.
bool Win32Platform::DebugActiveProcessStop(uint32_t processId) {
    using StopFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
    if (kernel32 == nullptr) return false;
    const auto stop =
        reinterpret_cast<StopFn>(reinterpret_cast<void*>(::GetProcAddress(kernel32, "DebugActiveProcessStop")));
    return stop != nullptr && stop(processId) != FALSE;
}

bool Win32Platform::DebugSetProcessKillOnExit(bool killOnExit) {
    return ::DebugSetProcessKillOnExit(killOnExit ? TRUE : FALSE) != FALSE;
}

bool Win32Platform::WaitForDebugEvent(DebugEvent& event, uint32_t milliseconds) {
    DEBUG_EVENT native{};
    if (::WaitForDebugEvent(&native, milliseconds) == FALSE) return false;
    Convert(native, event);
    return true;
}

bool Win32Platform::ContinueDebugEvent(uint32_t processId, uint32_t threadId, uint32_t status) {
    return ::ContinueDebugEvent(processId, threadId, status) != FALSE;
}

void Win32Platform::SleepEx(uint32_t milliseconds, bool alertable) { ::SleepEx(milliseconds, alertable ? TRUE : FALSE); }

}  // namespace qv::win32
