#include "core/ValueRendering.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <optional>

#include "core/TargetAccess.h"

namespace qv {

namespace {

// The string test's own bound: a string is never copied beyond it.
constexpr uint64_t kMaxStringBytes = 10240;
constexpr uint64_t kLargestDecimal = 9;
constexpr size_t kDumpChunk = 4096;

std::optional<uint64_t> ReadPointer(Handle process, uint64_t address) {
    uint8_t bytes[8];
    if (!ReadTargetMemory(process, address, bytes, sizeof bytes)) return std::nullopt;
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

std::string Hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%" PRIx64, value);
    return text;
}

std::string Followed(uint64_t pointer, const std::string& pointee) { return Hex(pointer) + "(=>" + pointee + ")"; }

}  // namespace

std::string RenderValue(Handle process, uint64_t address, int32_t size, int32_t depth, bool wide) {
    if (size <= 0) return RenderPointee(process, address, depth, wide);
    if (depth > 0) {
        const auto pointer = ReadPointer(process, address);
        if (!pointer) return "NULL";
        return Followed(*pointer, RenderValue(process, *pointer, size, depth - 1, wide));
    }
    // A chunk at a time, so that a huge size (the console's memory read takes
    // any) costs no more memory than the target really has there.
    std::string text = "0x";
    uint8_t chunk[kDumpChunk];
    for (uint64_t done = 0; done < static_cast<uint64_t>(size);) {
        const size_t length = static_cast<size_t>(std::min<uint64_t>(kDumpChunk, static_cast<uint64_t>(size) - done));
        if (!ReadTargetMemory(process, address + done, chunk, length)) return "NULL";
        for (size_t i = 0; i < length; ++i) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02x", chunk[i]);
            text += digits;
        }
        done += length;
    }
    return text;
}

std::string RenderPointee(Handle process, uint64_t address, int32_t depth, bool wide) {
    const auto value = ReadPointer(process, address);
    if (!value) return "NULL";
    if (IsPrintableString(process, address, wide)) return "\"" + RenderString(process, address, wide) + "\"";
    if (*value > kLargestDecimal) {
        return depth >= 1 ? Followed(*value, RenderPointee(process, *value, depth - 1, wide)) : Hex(*value);
    }
    return std::to_string(*value);
}

std::string RenderString(Handle process, uint64_t address, bool wide) {
    const uint64_t charSize = wide ? 2 : 1;
    std::string text;
    PagedTargetBytes bytes(process, address, kMaxStringBytes);
    for (uint64_t offset = 0; offset < kMaxStringBytes; offset += charSize) {
        const uint8_t byte = bytes.At(offset).value_or(0);
        if (byte == 0) break;
        switch (byte) {
            case '\n': text += "\\n"; break;
            case '\r': text += "\\r"; break;
            case '"': text += "\\\""; break;
            case '\\': text += "\\\\"; break;
            default: text += static_cast<char>(byte);
        }
    }
    return text.empty() ? "\\0x00" : text;
}

}  // namespace qv
