// The C library's asctime text of a time stamp in universal time, computed
// here so that it doesn't depend on the host's time functions or time zone.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

// "Www Mmm dd hh:mm:ss yyyy\n" for seconds since 1 January 1970 UTC.
std::string AscTimeUtc(uint32_t secondsSince1970);

}  // namespace qv
