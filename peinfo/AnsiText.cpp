#include "peinfo/AnsiText.h"

namespace qv {

namespace {
char ToAnsi(uint16_t unit) { return unit < 0x100 ? static_cast<char>(unit) : '?'; }
}  // namespace

std::optional<std::string> Utf16ToAnsi(ByteView view, uint64_t offset, uint64_t count, size_t maxBytes) {
    if (count > view.size() / 2 || !view.Contains(offset, count * 2)) return std::nullopt;
    const uint64_t kept = count < maxBytes ? count : maxBytes;
    std::string text;
    text.reserve(static_cast<size_t>(kept));
    for (uint64_t i = 0; i < kept; ++i) text.push_back(ToAnsi(view.GetOr<uint16_t>(offset + 2 * i, 0)));
    return text;
}

std::optional<std::string> Utf16ZToAnsi(ByteView view, uint64_t offset) {
    std::string text;
    for (uint64_t at = offset;; at += 2) {
        uint16_t unit = 0;
        if (!view.Read(at, unit)) return std::nullopt;
        if (unit == 0) return text;
        text.push_back(ToAnsi(unit));
    }
}

}  // namespace qv
