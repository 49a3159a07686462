// The running time of a process or thread: the local time now minus its
// creation time in local time, as "%ud %uh %um %us".
#pragma once

#include <optional>
#include <string>

#include "platform/PlatformTypes.h"

namespace qv {

class IPlatform;

// The local time now, as the runtime sees it: UTC minus the runtime's
// standard time-zone bias (no daylight saving). Taken once per refresh.
FileTime LocalNow(IPlatform& platform);

// creation is a UTC file time; all four figures are 0 when the span can't
// be formed (a creation time the system can't convert, or one after now).
std::string FormatRunningTime(IPlatform& platform, FileTime localNow, FileTime creation);

// SYSTEMTIME -> FILETIME (100-ns units since 1601), nullopt for a date
// outside the calendar.
std::optional<FileTime> SystemTimeToFileTime(const SystemTime& time);

}  // namespace qv
