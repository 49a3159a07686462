// ModRM and SIB decoding into a plain operand record, and the text of a
// memory operand. Decoding reads the bytes; formatting only reads the record.
#pragma once

#include <cstdint>

#include "disasm/DecodeContext.h"
#include "disasm/Names.h"
#include "disasm/TextWriter.h"

namespace qv::disasm {

struct ModRM {
    uint8_t mod = 0;
    uint8_t reg = 0;
    uint8_t rm = 0;
    // Memory operand (mod 0 to 2).
    bool address16 = false;
    bool hasSib = false;
    uint8_t base = 0;     // SIB base
    uint8_t index = 4;    // SIB index, 4 = none
    uint8_t scale = 0;    // SIB scale as a power of two
    uint8_t segment = kSegDS;
    uint32_t displacement = 0;

    bool IsRegister() const { return mod == 3; }
};

// Reads ModRM and, for a memory operand, SIB and displacement.
ModRM DecodeModRM(DecodeContext& ctx);

// How a map writes signed displacements: the one-byte and x87 maps put a
// trailing "h" behind the 8-bit and SIB 32-bit forms, the two-byte map never.
enum class DispStyle : uint8_t { TrailingH, Plain };

void WriteMemory(TextWriter& out, const ModRM& m, SizeWord size, DispStyle style);

}  // namespace qv::disasm
