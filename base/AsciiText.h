// ASCII-only text helpers with the C library's semantics (_stricmp, isspace
// trimming), independent of the locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

inline bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    }
    return true;
}

inline bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

inline std::string_view TrimBlanks(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// The file name with its extension: what follows the last path separator
// (or a leading drive), as splitting a path into its parts gives it.
inline std::string_view PathFileName(std::string_view path) {
    const size_t slash = path.find_last_of("\\/");
    if (slash != std::string_view::npos) return path.substr(slash + 1);
    if (path.size() >= 2 && path[1] == ':') return path.substr(2);
    return path;
}

}  // namespace qv
