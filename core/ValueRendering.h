// How values read from the target are shown: as a quoted string when the
// bytes spell one, as a small decimal number, or in hexadecimal, following
// pointers to the given depth ("0x...(=>...)"). Pointers and slots are read
// at their full 8 bytes; a value that fits in 32 bits prints as "0x%x"
// would, a wider one with all its digits. Memory that can't be read shows
// as "NULL". Used by the call and return reports and the console's memory
// read.
#pragma once

#include <cstdint>
#include <string>

#include "platform/PlatformTypes.h"

namespace qv {

// size 0: what is stored at address (RenderPointee); size > 0: that many
// bytes in hexadecimal, lowest address first, after following depth
// pointers.
std::string RenderValue(Handle process, uint64_t address, int32_t size, int32_t depth, bool wide);
// The 8-byte value stored at address: its string, or the value itself,
// followed as a pointer while depth lasts.
std::string RenderPointee(Handle process, uint64_t address, int32_t depth, bool wide);
// The string at address with \n, \r, \" and \\ escaped; "\0x00" when it is
// empty or unreadable.
std::string RenderString(Handle process, uint64_t address, bool wide);

}  // namespace qv
