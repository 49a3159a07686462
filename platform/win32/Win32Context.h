// Conversion between the seam's register record and the native CONTEXT.
#pragma once

#include "platform/win32/WinApi.h"

namespace qv::win32 {

// Copies EFlags and the registers the seam's record carries; the other
// fields of either side stay as they were.
void FromWinContext(const CONTEXT& from, ThreadContext& to);
void ToWinContext(const ThreadContext& from, CONTEXT& to);

}  // namespace qv::win32
