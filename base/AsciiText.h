// ASCII-only text helpers with the C library's semantics (_stricmp, isspace
// trimming), independent of the locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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

inline int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The hexadecimal digits at the start of text, as far as they go.
struct HexPrefix {
    uint64_t value = 0;
    size_t digits = 0;
    bool overflow = false;  // more than 64 bits of digits
};

inline HexPrefix ReadHexPrefix(std::string_view text) {
    HexPrefix result;
    for (; result.digits < text.size(); ++result.digits) {
        const int digit = HexDigitValue(text[result.digits]);
        if (digit < 0) break;
        result.overflow = result.overflow || result.value > (UINT64_MAX >> 4);
        result.value = (result.value << 4) | static_cast<uint64_t>(digit);
    }
    return result;
}

// The whole text read as an unsigned hexadecimal number, with an optional
// "0x" in front when allowPrefix; nothing when a character is left over,
// there are no digits or the number doesn't fit 64 bits.
inline std::optional<uint64_t> ReadWholeHex(std::string_view text, bool allowPrefix) {
    if (allowPrefix && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    const HexPrefix read = ReadHexPrefix(text);
    if (read.digits == 0 || read.digits != text.size() || read.overflow) return std::nullopt;
    return read.value;
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
