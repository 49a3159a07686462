#include "core/StringFormat.h"

#include <cstdio>

namespace qv {

std::string FormatStringV(const char* format, va_list args) {
    va_list sizing;
    va_copy(sizing, args);
    const int length = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    return text;
}

std::string FormatString(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatStringV(format, args);
    va_end(args);
    return text;
}

}  // namespace qv
