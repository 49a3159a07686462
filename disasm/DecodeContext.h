// The state of one DisassembleInstruction call, shared by the core, the
// operand decoder and the opcode maps. Nothing in it outlives the call.
#pragma once

#include <cstdint>

#include "disasm/CodeCursor.h"
#include "disasm/Disasm.h"
#include "disasm/Names.h"
#include "disasm/TextWriter.h"

namespace qv::disasm {

struct PrefixState {
    bool operand16 = false;  // 66h
    bool address16 = false;  // 67h
    bool segmentSeen = false;
    bool lock = false;       // F0h
    uint8_t rep = 0;         // F2h or F3h, 0 when none
    bool repInLength = false;  // the repeat byte belongs to a scalar SSE opcode
    uint8_t segment = kSegDS;
    uint8_t counted = 0;     // prefix bytes counted in nPrefixes
};

struct DecodeContext {
    DecodeContext(DISASMLINE& record, ByteView code, uint32_t offset)
        : line(record), cursor(code, offset), text(record.szText, sizeof record.szText),
          comment(record.szComment, sizeof record.szComment) {}

    DISASMLINE& line;
    CodeCursor cursor;
    TextWriter text;
    TextWriter comment;
    PrefixState prefixes;

    RegRow FullRow() const { return prefixes.operand16 ? kRow16 : kRow32; }
    SizeWord FullSize() const { return prefixes.operand16 ? SizeWord::Word : SizeWord::Dword; }
    const char* Accumulator() const { return kRegisterNames[FullRow()][0]; }
    // A full-size immediate: 16 bits after 66h, else 32.
    void FullImmediate() {
        if (prefixes.operand16) text.Hex4(cursor.Next16());
        else text.Hex8(cursor.Next32());
    }
    // Absolute target of a relative branch whose displacement was just read.
    uint32_t Target(int32_t displacement) const {
        return line.dwAddress + cursor.Consumed() + static_cast<uint32_t>(displacement);
    }
};

// Opcode maps, entered with the cursor on the byte after the opcode.
void DecodeOneByte(DecodeContext& ctx, uint8_t opcode);
void DecodeTwoByte(DecodeContext& ctx);
void DecodeX87(DecodeContext& ctx, uint8_t opcode);

}  // namespace qv::disasm
