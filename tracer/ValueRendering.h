// How the call reports show a value of the target: what is stored at an
// address, as a quoted string, a small decimal number or hexadecimal with
// the pointers followed, or a dump of a given number of bytes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/PlatformTypes.h"
#include "tracer/BreakPointTable.h"

namespace qv {

std::string RenderValue(Handle process, uint64_t address, const ARGSPEC& spec, bool wide);
std::string RenderPointee(Handle process, uint64_t address, int32_t depth, bool wide);
std::string RenderString(Handle process, uint64_t address, bool wide);

}  // namespace qv
