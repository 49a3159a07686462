// printf-style formatting into a std::string.
#pragma once

#include <cstdarg>
#include <string>

#include "base/PrintfFormat.h"

namespace qv {

std::string FormatString(const char* format, ...) QV_PRINTF_FORMAT(1, 2);
std::string FormatStringV(const char* format, va_list args) QV_PRINTF_FORMAT(1, 0);

}  // namespace qv
