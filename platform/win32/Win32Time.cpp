#include <ctime>

#include "platform/win32/WinApi.h"
#include "platform/win32/Win32Platform.h"

namespace qv::win32 {

namespace {

SystemTime FromWinTime(const SYSTEMTIME& from) {
    SystemTime to;
    to.wYear = from.wYear;
    to.wMonth = from.wMonth;
    to.wDayOfWeek = from.wDayOfWeek;
    to.wDay = from.wDay;
    to.wHour = from.wHour;
    to.wMinute = from.wMinute;
    to.wSecond = from.wSecond;
    to.wMilliseconds = from.wMilliseconds;
    return to;
}

}  // namespace

SystemTime Win32Platform::GetLocalTime() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return FromWinTime(now);
}

SystemTime Win32Platform::GetSystemTime() {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    return FromWinTime(now);
}

std::optional<FileTime> Win32Platform::FileTimeToLocalFileTime(FileTime utc) {
    FILETIME from{static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)};
    FILETIME local{};
    if (::FileTimeToLocalFileTime(&from, &local) == FALSE) return std::nullopt;
    return (static_cast<uint64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
}

int32_t Win32Platform::GetRuntimeTimeZoneBias() {
    _tzset();
    return static_cast<int32_t>(_timezone);
}

int64_t Win32Platform::QueryPerformanceCounter() {
    LARGE_INTEGER counter{};
    return ::QueryPerformanceCounter(&counter) == FALSE ? 0 : counter.QuadPart;
}

int64_t Win32Platform::QueryPerformanceFrequency() {
    LARGE_INTEGER frequency{};
    return ::QueryPerformanceFrequency(&frequency) == FALSE ? 0 : frequency.QuadPart;
}

SystemInfo Win32Platform::GetSystemInfo() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    SystemInfo to;
    to.dwPageSize = info.dwPageSize;
    to.dwNumberOfProcessors = info.dwNumberOfProcessors;
    return to;
}

}  // namespace qv::win32
