// Shared helpers for the decoder tests: decode one instruction or walk a
// buffer the way the function listing does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disasm/Disasm.h"

namespace qv::test {

struct Decoded {
    std::string text;
    std::string comment;
    unsigned length = 0;
    unsigned prefixes = 0;
    uint32_t endOffset = 0;  // offset left by the decoder
};

inline Decoded DecodeAt(const std::vector<uint8_t>& bytes, uint32_t offset = 0, uint32_t address = 0) {
    DISASMLINE line;
    line.dwAddress = address;
    ResetDisasmLine(line);
    DisassembleInstruction(line, ByteView(bytes.data(), bytes.size()), offset);
    return {line.szText, line.szComment, line.nLength, line.nPrefixes, offset};
}

// Every instruction of the buffer, stepping as the listing does.
inline std::vector<Decoded> DecodeAll(const std::vector<uint8_t>& bytes, uint32_t address = 0) {
    std::vector<Decoded> out;
    DISASMLINE line;
    line.dwAddress = address;
    for (uint32_t offset = 0; offset < bytes.size(); ++offset) {
        ResetDisasmLine(line);
        DisassembleInstruction(line, ByteView(bytes.data(), bytes.size()), offset);
        out.push_back({line.szText, line.szComment, line.nLength, line.nPrefixes, offset});
        line.dwAddress += line.nLength + line.nPrefixes;
    }
    return out;
}

// A table row: bytes in, expected text, remark and sizes out.
struct Case {
    std::vector<uint8_t> bytes;
    const char* text;
    const char* comment;
    unsigned length;
    unsigned prefixes;
    uint32_t address = 0;
};

}  // namespace qv::test
