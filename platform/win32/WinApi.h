// The one way platform/win32 and framework/win32 see the Windows headers.
// <windows.h> turns many names into A/W macros, and some of those names are
// also method names of the platform and window interfaces (GetModuleHandle,
// CreateFileMapping, MessageBox, ...). Including the headers here, then
// removing those macros, lets the backends declare the interface methods
// under their own names and call the A functions explicitly.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// psapi.dll's own exports (EnumProcesses, not K32EnumProcesses macros).
#ifndef PSAPI_VERSION
#define PSAPI_VERSION 1
#endif

// clang-format off
#include <windows.h>
#include <tlhelp32.h>
#include <psapi.h>
#include <imagehlp.h>
// clang-format on

#undef GetModuleHandle
#undef CreateFileMapping
#undef QueryDosDevice
#undef GetModuleBaseName
#undef GetMappedFileName
#undef GetCurrentDirectory
#undef GetLogicalDriveStrings
#undef GetModuleFileNameEx
#undef CreateProcess
#undef MessageBox
#undef SendMessage
#undef PostMessage
#undef SetWindowText
#undef GetWindowText
#undef GetWindowTextLength
#undef GetObject

#include "platform/PlatformTypes.h"

namespace qv::win32 {

inline HANDLE ToWin(Handle handle) { return reinterpret_cast<HANDLE>(handle); }
inline Handle FromWin(HANDLE handle) { return reinterpret_cast<Handle>(handle); }
// CreateFile and CreateToolhelp32Snapshot fail with INVALID_HANDLE_VALUE; the
// seam has one "no handle" value.
inline Handle FromWinFile(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? kNullHandle : FromWin(handle);
}

}  // namespace qv::win32
