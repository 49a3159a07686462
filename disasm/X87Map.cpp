// Decoding of the x87 escapes D8h to DFh from the tables of X87Table.cpp.
#include "disasm/Operands.h"
#include "disasm/X87Table.h"

namespace qv::disasm {

namespace {
void Memory(DecodeContext& ctx, const X87MemoryForm& form, const ModRM& m) {
    ctx.text.Str(form.name).Char(' ');
    WriteMemory(ctx.text, m, form.size, DispStyle::TrailingH);
    if (form.name[0] == '?') ctx.comment.Str(kInvalid);
}

void Register(DecodeContext& ctx, const X87RegisterRow& row, const ModRM& m) {
    const char* st = kStackNames[m.rm];
    switch (row.kind) {
        case X87Row::Stack: ctx.text.Str(row.name).Char(' ').Str(st); break;
        case X87Row::StToStack: ctx.text.Str(row.name).Str(" st,").Str(st); break;
        case X87Row::StackToSt: ctx.text.Str(row.name).Char(' ').Str(st).Str(",st"); break;
        case X87Row::Single: {
            const X87Single& single = row.single[m.rm];
            ctx.text.Str(single.name);
            if (single.operand) ctx.text.Char(' ').Str(st);
            if (single.name[0] == '?') ctx.comment.Str(kInvalid);
            break;
        }
        case X87Row::Invalid:
            ctx.text.Str("???");
            ctx.comment.Str(kInvalid);
            break;
    }
}
}  // namespace

void DecodeX87(DecodeContext& ctx, uint8_t opcode) {
    const X87Escape& escape = kX87Map[opcode - 0xD8];
    const ModRM m = DecodeModRM(ctx);
    if (m.IsRegister()) Register(ctx, escape.registers[m.reg], m);
    else Memory(ctx, escape.memory[m.reg], m);
}

}  // namespace qv::disasm
