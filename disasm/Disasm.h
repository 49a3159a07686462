// The 32-bit x86 decoder: one instruction at a time from a buffer of code
// bytes into a plain text record. The record is all a client sees.
#pragma once

#include <cstdint>

#include "base/ByteView.h"

namespace qv {

struct DISASMLINE {
    char szText[256];       // prefix words, mnemonic and operands
    char szComment[8192];   // remarks, string operands, warnings
    uint32_t dwAddress;     // address of the first byte; kept by the caller
    uint8_t nLength;        // bytes after the counted prefixes
    uint8_t nPrefixes;      // prefix bytes that count towards the size
};

// Empties both texts, sets nLength 1 and nPrefixes 0; dwAddress stays.
void ResetDisasmLine(DISASMLINE& line);

// Decodes the instruction whose first byte (first prefix, if any) is at
// `offset` in `code` and leaves `offset` on its last byte. Never reads
// outside `code`; every call covers at least one byte.
void DisassembleInstruction(DISASMLINE& line, ByteView code, uint32_t& offset);

}  // namespace qv
