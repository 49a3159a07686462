#include "peinfo/AscTime.h"

#include <cstdio>

namespace qv {

namespace {
constexpr const char* kWeekDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}  // namespace

std::string AscTimeUtc(uint32_t secondsSince1970) {
    const int64_t days = secondsSince1970 / 86400;
    const int64_t secondOfDay = secondsSince1970 % 86400;
    // Civil date from a day count (proleptic Gregorian calendar, eras of 400
    // years starting on 1 March).
    const int64_t z = days + 719468;
    const int64_t era = z / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    const int64_t weekDay = (days + 4) % 7;  // 1 January 1970 was a Thursday

    char text[64];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kWeekDays[weekDay], kMonths[month - 1],
                  static_cast<int>(day), static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                  static_cast<int>(secondOfDay % 60), static_cast<int>(year));
    return text;
}

}  // namespace qv
