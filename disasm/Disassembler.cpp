#include <algorithm>

#include "disasm/DecodeContext.h"
#include "disasm/Disasm.h"
#include "disasm/Prefixes.h"

namespace qv {

namespace {
// Shown when an instruction needs bytes past the end of the buffer. The
// text is decoded with those bytes read as zero, and the record covers only
// the bytes that are there, so a caller walking the buffer ends exactly at
// its end instead of stepping past it.
constexpr const char* kCutOff = "<Cut off at end of code>";

void Dispatch(disasm::DecodeContext& ctx) {
    const uint8_t opcode = ctx.cursor.Next();
    if (opcode == 0x0F) disasm::DecodeTwoByte(ctx);
    else if (opcode >= 0xD8 && opcode <= 0xDF) disasm::DecodeX87(ctx, opcode);
    else disasm::DecodeOneByte(ctx, opcode);
}
}  // namespace

void ResetDisasmLine(DISASMLINE& line) {
    line.szText[0] = '\0';
    line.szComment[0] = '\0';
    line.nLength = 1;
    line.nPrefixes = 0;
}

void DisassembleInstruction(DISASMLINE& line, ByteView code, uint32_t& offset) {
    disasm::DecodeContext ctx(line, code, offset);
    uint32_t total = 1;
    uint32_t counted = 0;
    if (disasm::ReadPrefixes(ctx)) {
        Dispatch(ctx);
        total = ctx.cursor.Consumed();
        counted = ctx.prefixes.counted;
    }
    const uint64_t available = ctx.cursor.Available();
    if (total > available) {
        if (!ctx.comment.Empty()) ctx.comment.Char(' ');
        ctx.comment.Str(kCutOff);
        total = static_cast<uint32_t>(std::max<uint64_t>(available, 1));
        counted = std::min(counted, total);
    }
    line.nPrefixes = static_cast<uint8_t>(counted);
    line.nLength = static_cast<uint8_t>(total - counted);
    offset += total - 1;
}

}  // namespace qv
