#include <cstring>

#include "platform/win32/Win32Context.h"
#include "platform/win32/Win32Platform.h"

namespace qv::win32 {

namespace {

// The register groups the seam's record carries: Rip, Rsp, EFlags (control)
// and the general registers (integer). Writing back only these leaves the
// segment, debug and floating-point state of the thread as it was.
constexpr DWORD kCarriedGroups = CONTEXT_CONTROL | CONTEXT_INTEGER;

// The registers the seam's record carries, pairwise.
struct RegisterPair {
    DWORD64 CONTEXT::*native;
    uint64_t ThreadContext::*seam;
};
constexpr RegisterPair kRegisters[] = {
    {&CONTEXT::Rax, &ThreadContext::Rax}, {&CONTEXT::Rcx, &ThreadContext::Rcx}, {&CONTEXT::Rdx, &ThreadContext::Rdx},
    {&CONTEXT::Rbx, &ThreadContext::Rbx}, {&CONTEXT::Rsp, &ThreadContext::Rsp}, {&CONTEXT::Rbp, &ThreadContext::Rbp},
    {&CONTEXT::Rsi, &ThreadContext::Rsi}, {&CONTEXT::Rdi, &ThreadContext::Rdi}, {&CONTEXT::R8, &ThreadContext::R8},
    {&CONTEXT::R9, &ThreadContext::R9},   {&CONTEXT::R10, &ThreadContext::R10}, {&CONTEXT::R11, &ThreadContext::R11},
    {&CONTEXT::R12, &ThreadContext::R12}, {&CONTEXT::R13, &ThreadContext::R13}, {&CONTEXT::R14, &ThreadContext::R14},
    {&CONTEXT::R15, &ThreadContext::R15}, {&CONTEXT::Rip, &ThreadContext::Rip},
};

}  // namespace

void FromWinContext(const CONTEXT& from, ThreadContext& to) {
    to.EFlags = from.EFlags;
    for (const RegisterPair& pair : kRegisters) to.*pair.seam = from.*pair.native;
}

void ToWinContext(const ThreadContext& from, CONTEXT& to) {
    to.EFlags = from.EFlags;
    for (const RegisterPair& pair : kRegisters) to.*pair.native = from.*pair.seam;
}

bool Win32Platform::GetThreadContext(Handle thread, ThreadContext& context) {
    alignas(16) CONTEXT native;
    std::memset(&native, 0, sizeof(native));
    // A record that asks for nothing gets everything it can hold.
    native.ContextFlags = context.ContextFlags != 0 ? context.ContextFlags : kContextAll;
    if (::GetThreadContext(ToWin(thread), &native) == FALSE) return false;
    FromWinContext(native, context);
    context.ContextFlags = native.ContextFlags;
    return true;
}

bool Win32Platform::SetThreadContext(Handle thread, const ThreadContext& context) {
    // Read the thread's current state first so that the groups written back
    // hold the thread's own values in the fields the record doesn't carry.
    alignas(16) CONTEXT native;
    std::memset(&native, 0, sizeof(native));
    native.ContextFlags = kCarriedGroups;
    if (::GetThreadContext(ToWin(thread), &native) == FALSE) return false;
    ToWinContext(context, native);
    native.ContextFlags = kCarriedGroups;
    return ::SetThreadContext(ToWin(thread), &native) != FALSE;
}

int32_t Win32Platform::NtQueryInformationThread(Handle thread, uint32_t infoClass, void* buffer, uint32_t length) {
    using QueryFn = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    constexpr LONG kStatusProcedureNotFound = static_cast<LONG>(0xC000007A);
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr) return kStatusProcedureNotFound;
    const auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQueryInformationThread")));
    if (query == nullptr) return kStatusProcedureNotFound;
    ULONG returned = 0;
    return query(ToWin(thread), static_cast<int>(infoClass), buffer, length, &returned);
}

}  // namespace qv::win32
