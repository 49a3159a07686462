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

}  // namespace qv::win32
