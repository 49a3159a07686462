// Value types that cross the platform seam. They mirror the Win32 records the
// tracer relies on, reduced to the fields it reads, so that no layer above the
// seam needs <windows.h>.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

// An open kernel object. 0 is "no handle": backends map INVALID_HANDLE_VALUE
// from the calls that use it to 0, so callers test one value only.
using Handle = std::uintptr_t;
inline constexpr Handle kNullHandle = 0;
// Pseudo-handles as GetCurrentProcess / GetCurrentThread return them.
inline constexpr Handle kCurrentProcessPseudo = static_cast<Handle>(-1);
inline constexpr Handle kCurrentThreadPseudo = static_cast<Handle>(-2);

inline constexpr uint32_t kProcessAllAccess = 0x1FFFFF;
inline constexpr uint32_t kThreadAllAccess = 0x1FFFFF;
inline constexpr uint32_t kProcessQueryInfoAndVmRead = 0x410;
inline constexpr uint32_t kThreadQueryInformation = 0x40;

// Debug event codes.
inline constexpr uint32_t kExceptionDebugEvent = 1;
inline constexpr uint32_t kCreateThreadDebugEvent = 2;
inline constexpr uint32_t kCreateProcessDebugEvent = 3;
inline constexpr uint32_t kExitThreadDebugEvent = 4;
inline constexpr uint32_t kExitProcessDebugEvent = 5;
inline constexpr uint32_t kLoadDllDebugEvent = 6;
inline constexpr uint32_t kUnloadDllDebugEvent = 7;
inline constexpr uint32_t kOutputDebugStringEvent = 8;

// Exception codes and continue statuses.
inline constexpr uint32_t kExceptionBreakpoint = 0x80000003;
inline constexpr uint32_t kExceptionSingleStep = 0x80000004;
inline constexpr uint32_t kExceptionAccessViolation = 0xC0000005;
inline constexpr uint32_t kDbgContinue = 0x00010002;
inline constexpr uint32_t kDbgExceptionNotHandled = 0x80010001;

inline constexpr uint32_t kContextFull = 0x10000B;
inline constexpr uint32_t kContextAll = 0x10001F;
inline constexpr uint32_t kTrapFlag = 0x100;

inline constexpr uint32_t kWaitObject0 = 0;
inline constexpr uint32_t kWaitTimeout = 258;
inline constexpr uint32_t kWaitFailed = 0xFFFFFFFF;
inline constexpr uint32_t kInfinite = 0xFFFFFFFF;

inline constexpr uint32_t kFileAttributeDirectory = 0x10;
inline constexpr uint32_t kFileShareRead = 1;
inline constexpr uint32_t kFileShareWrite = 2;

// The x64 register file as far as the tool uses it.
struct ThreadContext {
    uint32_t ContextFlags = 0;
    uint32_t EFlags = 0;
    uint64_t Rax = 0, Rcx = 0, Rdx = 0, Rbx = 0;
    uint64_t Rsp = 0, Rbp = 0, Rsi = 0, Rdi = 0;
    uint64_t R8 = 0, R9 = 0, R10 = 0, R11 = 0;
    uint64_t R12 = 0, R13 = 0, R14 = 0, R15 = 0;
    uint64_t Rip = 0;
};

// One debug event. Only the fields of the event's kind are meaningful.
struct DebugEvent {
    uint32_t dwDebugEventCode = 0;
    uint32_t dwProcessId = 0;
    uint32_t dwThreadId = 0;
    // kExceptionDebugEvent
    uint32_t ExceptionCode = 0;
    uint64_t ExceptionAddress = 0;
    uint32_t dwFirstChance = 0;
    // kCreateProcessDebugEvent, kLoadDllDebugEvent: the image file (the
    // receiver owns it and closes it); the base of the image or DLL.
    // kUnloadDllDebugEvent: the DLL's base.
    Handle hFile = kNullHandle;
    uint64_t lpBaseOfImage = 0;
    // kCreateThreadDebugEvent / kCreateProcessDebugEvent: the start address.
    uint64_t lpStartAddress = 0;
    // kExitThreadDebugEvent / kExitProcessDebugEvent
    uint32_t dwExitCode = 0;
};

struct SystemTime {
    uint16_t wYear = 0, wMonth = 0, wDayOfWeek = 0, wDay = 0;
    uint16_t wHour = 0, wMinute = 0, wSecond = 0, wMilliseconds = 0;
};

// 100-nanosecond intervals, as FILETIME.
using FileTime = uint64_t;

struct ThreadEntry {
    uint32_t th32ThreadID = 0;
    uint32_t th32OwnerProcessID = 0;
    int32_t tpBasePri = 0;
};

struct ModuleEntry {
    uint64_t modBaseAddr = 0;
    uint32_t modBaseSize = 0;
    std::string szModule;
    std::string szExePath;
};

// GetProcessTimes / GetThreadTimes.
struct ObjectTimes {
    FileTime ftCreation = 0;
    FileTime ftExit = 0;
    FileTime ftKernel = 0;
    FileTime ftUser = 0;
};

// PROCESS_MEMORY_COUNTERS (72 bytes on x64), field for field.
struct ProcessMemoryCounters {
    uint32_t cb = 72;
    uint32_t PageFaultCount = 0;
    uint64_t PeakWorkingSetSize = 0;
    uint64_t WorkingSetSize = 0;
    uint64_t QuotaPeakPagedPoolUsage = 0;
    uint64_t QuotaPagedPoolUsage = 0;
    uint64_t QuotaPeakNonPagedPoolUsage = 0;
    uint64_t QuotaNonPagedPoolUsage = 0;
    uint64_t PagefileUsage = 0;
    uint64_t PeakPagefileUsage = 0;
};

// IO_COUNTERS: operation counts, then transferred bytes.
struct IoCounters {
    uint64_t ReadOperationCount = 0;
    uint64_t WriteOperationCount = 0;
    uint64_t OtherOperationCount = 0;
    uint64_t ReadTransferCount = 0;
    uint64_t WriteTransferCount = 0;
    uint64_t OtherTransferCount = 0;
};

// What GetSystemInfo gives that the monitor reads.
struct SystemInfo {
    uint32_t dwPageSize = 4096;
    uint32_t dwNumberOfProcessors = 1;
};

// GetThreadPriority's failure value (THREAD_PRIORITY_ERROR_RETURN).
inline constexpr int32_t kThreadPriorityErrorReturn = 0x7FFFFFFF;

// The stack walker's frame record (STACKFRAME64, every address flat). The
// caller fills it before the first call; the walker keeps its own state in
// the remaining fields between calls, so the record is passed back as it was
// returned.
inline constexpr uint32_t kImageFileMachineAmd64 = 0x8664;

struct StackFrame64 {
    uint64_t AddrPC = 0;
    uint64_t AddrReturn = 0;
    uint64_t AddrFrame = 0;
    uint64_t AddrStack = 0;
    uint64_t AddrBStore = 0;
    uint64_t FuncTableEntry = 0;
    uint64_t Params[4] = {};
    bool Far = false;
    bool Virtual = false;
    uint64_t Reserved[3] = {};
};

// What MapAndLoad yields of an image's headers.
struct LoadedImageInfo {
    uint32_t SizeOfImage = 0;
    uint32_t TimeDateStamp = 0;
};

}  // namespace qv
