// printf-style formatting into a std::string.
#pragma once

#include <cstdarg>
#include <string>

#if defined(__GNUC__)
#define QV_FORMAT_STRING(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))
#else
#define QV_FORMAT_STRING(fmtIndex, firstArg)
#endif

namespace qv {

std::string FormatString(const char* format, ...) QV_FORMAT_STRING(1, 2);
std::string FormatStringV(const char* format, va_list args) QV_FORMAT_STRING(1, 0);

}  // namespace qv
