#include "monitor/RunningTime.h"

#include "base/CivilDate.h"
#include "core/StringFormat.h"
#include "platform/Platform.h"

namespace qv {

namespace {

constexpr int64_t kUnitsPerSecond = 10'000'000;
constexpr int64_t kSecondsPerDay = 86'400;
// Days from 1601-01-01 to 1970-01-01.
constexpr int64_t kFileTimeEpochDays = 134'774;

}  // namespace

std::optional<FileTime> SystemTimeToFileTime(const SystemTime& time) {
    if (time.wYear < 1601 || time.wMonth < 1 || time.wMonth > 12 || time.wDay < 1 || time.wDay > 31 ||
        time.wHour > 23 || time.wMinute > 59 || time.wSecond > 59 || time.wMilliseconds > 999) {
        return std::nullopt;
    }
    const int64_t days = DaysFromCivil(time.wYear, time.wMonth, time.wDay) + kFileTimeEpochDays;
    const int64_t seconds = days * kSecondsPerDay + time.wHour * 3600 + time.wMinute * 60 + time.wSecond;
    return static_cast<FileTime>(seconds * kUnitsPerSecond + int64_t{time.wMilliseconds} * 10'000);
}

FileTime LocalNow(IPlatform& platform) {
    const auto utc = SystemTimeToFileTime(platform.GetSystemTime());
    if (!utc) return 0;
    const int64_t local = static_cast<int64_t>(*utc) - int64_t{platform.GetRuntimeTimeZoneBias()} * kUnitsPerSecond;
    return local < 0 ? 0 : static_cast<FileTime>(local);
}

std::string FormatRunningTime(IPlatform& platform, FileTime localNow, FileTime creation) {
    int64_t span = 0;
    const auto localCreation = platform.FileTimeToLocalFileTime(creation);
    // Both ends count in whole seconds, as the date conversion keeps them.
    if (localCreation && localNow != 0) {
        span = static_cast<int64_t>(localNow / kUnitsPerSecond) - static_cast<int64_t>(*localCreation / kUnitsPerSecond);
    }
    if (span < 0) span = 0;
    const auto days = static_cast<unsigned>(span / kSecondsPerDay);
    const auto hours = static_cast<unsigned>(span / 3600 % 24);
    const auto minutes = static_cast<unsigned>(span / 60 % 60);
    const auto seconds = static_cast<unsigned>(span % 60);
    return FormatString("%ud %uh %um %us", days, hours, minutes, seconds);
}

}  // namespace qv
