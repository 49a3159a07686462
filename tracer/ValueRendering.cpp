#include "tracer/ValueRendering.h"

#include <algorithm>

#include "tracer/StringFormat.h"
#include "tracer/TargetAccess.h"

namespace qv {

namespace {

constexpr size_t kDumpChunk = 4096;
constexpr char kLowerHexDigits[] = "0123456789abcdef";
// As long as a string that passes the printable test can be.
constexpr uint64_t kMaxStringBytes = 10240;

// Pointers of the target are read 4 bytes wide, the low half of a 64-bit one.
bool ReadPointer32(Handle process, uint64_t address, uint32_t& value) {
    uint8_t bytes[4];
    if (!ReadTargetMemory(process, address, bytes, sizeof bytes)) return false;
    value = static_cast<uint32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16)) | (uint32_t{bytes[3]} << 24);
    return true;
}

}  // namespace

std::string RenderValue(Handle process, uint64_t address, const ARGSPEC& spec, bool wide) {
    if (spec.nSize <= 0) return RenderPointee(process, address, spec.nDepth, wide);
    if (spec.nDepth > 0) {
        uint32_t pointer = 0;
        if (!ReadPointer32(process, address, pointer)) return "NULL";
        const std::string inner = RenderValue(process, pointer, ARGSPEC{spec.nSize, spec.nDepth - 1}, wide);
        return FormatString("0x%x(=>%s)", pointer, inner.c_str());
    }
    // A chunk at a time, so that a huge size costs no more memory than the
    // target really has there.
    std::string text = "0x";
    uint8_t chunk[kDumpChunk];
    for (uint64_t done = 0; done < static_cast<uint64_t>(spec.nSize);) {
        const size_t length = static_cast<size_t>(std::min<uint64_t>(kDumpChunk, spec.nSize - done));
        if (!ReadTargetMemory(process, address + done, chunk, length)) return "NULL";
        for (size_t i = 0; i < length; ++i) {
            text += kLowerHexDigits[chunk[i] >> 4];
            text += kLowerHexDigits[chunk[i] & 0xF];
        }
        done += length;
    }
    return text;
}

std::string RenderPointee(Handle process, uint64_t address, int32_t depth, bool wide) {
    uint32_t value = 0;
    if (!ReadPointer32(process, address, value)) return "NULL";
    if (IsPrintableString(process, address, wide)) return "\"" + RenderString(process, address, wide) + "\"";
    if (value < 10) return FormatString("%d", static_cast<int>(value));
    if (depth < 1) return FormatString("0x%x", value);
    const std::string inner = RenderPointee(process, value, depth - 1, wide);
    return FormatString("0x%x(=>%s)", value, inner.c_str());
}

std::string RenderString(Handle process, uint64_t address, bool wide) {
    const uint64_t step = wide ? 2 : 1;
    std::string text;
    for (uint64_t at = address; at - address < kMaxStringBytes; at += step) {
        uint8_t byte = 0;
        if (!ReadTargetMemory(process, at, &byte, 1) || byte == 0) break;
        switch (byte) {
        case 10: text += "\\n"; break;
        case 13: text += "\\r"; break;
        case '"': text += "\\\""; break;
        case '\\': text += "\\\\"; break;
        default: text += static_cast<char>(byte);
        }
    }
    return text.empty() ? "\\0x00" : text;
}

}  // namespace qv
