// printf-style formatting into a std::string, for texts that are both
// returned and logged.
#pragma once

#include <string>

#if defined(__GNUC__)
#define QV_FORMAT_STRING(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))
#else
#define QV_FORMAT_STRING(fmtIndex, firstArg)
#endif

namespace qv {

std::string FormatString(const char* format, ...) QV_FORMAT_STRING(1, 2);

}  // namespace qv
