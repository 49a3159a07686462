#include <cstring>

#include "platform/win32/Win32Context.h"
#include "platform/win32/Win32Platform.h"

namespace qv::win32 {

namespace {

void SetFlat(ADDRESS64& address, uint64_t offset) {
    address.Offset = offset;
    address.Segment = 0;
    address.Mode = AddrModeFlat;
}

// The seam's record and the native one carry the same fields; the walker's
// own state lives in the reserved fields, so every field goes both ways.
void ToWinFrame(const StackFrame64& from, STACKFRAME64& to) {
    std::memset(&to, 0, sizeof to);
    SetFlat(to.AddrPC, from.AddrPC);
    SetFlat(to.AddrReturn, from.AddrReturn);
    SetFlat(to.AddrFrame, from.AddrFrame);
    SetFlat(to.AddrStack, from.AddrStack);
    SetFlat(to.AddrBStore, from.AddrBStore);
    to.FuncTableEntry = reinterpret_cast<PVOID>(static_cast<uintptr_t>(from.FuncTableEntry));
    for (int i = 0; i < 4; ++i) to.Params[i] = from.Params[i];
    to.Far = from.Far ? TRUE : FALSE;
    to.Virtual = from.Virtual ? TRUE : FALSE;
    for (int i = 0; i < 3; ++i) to.Reserved[i] = from.Reserved[i];
}

void FromWinFrame(const STACKFRAME64& from, StackFrame64& to) {
    to.AddrPC = from.AddrPC.Offset;
    to.AddrReturn = from.AddrReturn.Offset;
    to.AddrFrame = from.AddrFrame.Offset;
    to.AddrStack = from.AddrStack.Offset;
    to.AddrBStore = from.AddrBStore.Offset;
    to.FuncTableEntry = reinterpret_cast<uintptr_t>(from.FuncTableEntry);
    for (int i = 0; i < 4; ++i) to.Params[i] = from.Params[i];
    to.Far = from.Far != FALSE;
    to.Virtual = from.Virtual != FALSE;
    for (int i = 0; i < 3; ++i) to.Reserved[i] = from.Reserved[i];
}

}  // namespace

bool Win32Platform::StackWalk64(uint32_t machineType, Handle process, Handle thread, StackFrame64& frame,
                                ThreadContext& context) {
    // The walk unwinds the integer and control registers, which the seam's
    // record carries; the rest of the native record starts zeroed.
    alignas(16) CONTEXT native;
    std::memset(&native, 0, sizeof native);
    native.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
    ToWinContext(context, native);
    STACKFRAME64 nativeFrame;
    ToWinFrame(frame, nativeFrame);
    const BOOL walked = ::StackWalk64(machineType, ToWin(process), ToWin(thread), &nativeFrame, &native, nullptr,
                                      SymFunctionTableAccess64, SymGetModuleBase64, nullptr);
    if (walked == FALSE) return false;
    FromWinFrame(nativeFrame, frame);
    FromWinContext(native, context);
    return true;
}

}  // namespace qv::win32
