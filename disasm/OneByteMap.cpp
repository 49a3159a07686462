// Decoding of the one-byte opcodes: one small handler per operand form of
// the table in OneByteTable.cpp.
#include "disasm/OneByteTable.h"
#include "disasm/Operands.h"

namespace qv::disasm {

namespace {
constexpr DispStyle kStyle = DispStyle::TrailingH;

const char* Name(const DecodeContext& ctx, const OneByteEntry& e) {
    return ctx.prefixes.operand16 && e.name16 ? e.name16 : e.name;
}

void Mnemonic(DecodeContext& ctx, const char* name) { ctx.text.Str(name).Char(' '); }

// Two ModRM operands, register first when regFirst.
void WriteTwo(DecodeContext& ctx, const char* name, const ModRM& m, bool regFirst, RegRow regRow, RegRow rmRow,
              SizeWord size) {
    Mnemonic(ctx, name);
    if (regFirst) {
        ctx.text.Str(kRegisterNames[regRow][m.reg]).Str(Separator(m));
        WriteRm(ctx, m, rmRow, size, kStyle);
    } else {
        WriteRm(ctx, m, rmRow, size, kStyle);
        ctx.text.Str(Separator(m)).Str(kRegisterNames[regRow][m.reg]);
    }
}

void TwoOperand(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode) {
    const ModRM m = DecodeModRM(ctx);
    const bool wide = opcode & 1;
    const RegRow row = wide ? ctx.FullRow() : kRow8;
    WriteTwo(ctx, e.name, m, opcode & 2, row, row, wide ? ctx.FullSize() : SizeWord::LowerByte);
}

// bound, les, lds and lea take a memory operand only.
void MemorySource(DecodeContext& ctx, const OneByteEntry& e, SizeWord size, const char* registerRemark) {
    const ModRM m = DecodeModRM(ctx);
    WriteTwo(ctx, e.name, m, true, ctx.FullRow(), ctx.FullRow(), size);
    if (m.IsRegister()) ctx.comment.Str(registerRemark);
}

void Bound(DecodeContext& ctx, const OneByteEntry& e) {
    MemorySource(ctx, e, ctx.prefixes.operand16 ? SizeWord::Dword : SizeWord::Qword, kInvalid);
}
void LoadFar(DecodeContext& ctx, const OneByteEntry& e) {
    MemorySource(ctx, e, ctx.prefixes.operand16 ? SizeWord::Dword : SizeWord::Fword, kInvalid);
}
void Lea(DecodeContext& ctx, const OneByteEntry& e) { MemorySource(ctx, e, ctx.FullSize(), kIllegal); }

void Arpl(DecodeContext& ctx, const OneByteEntry& e) {
    const ModRM m = DecodeModRM(ctx);
    WriteTwo(ctx, e.name, m, false, kRow16, kRow16, SizeWord::Word);
}

void AccImm8(DecodeContext& ctx, const OneByteEntry& e) {
    Mnemonic(ctx, e.name);
    ctx.text.Str("al, ").Hex2(ctx.cursor.Next());
}
void AccImmFull(DecodeContext& ctx, const OneByteEntry& e) {
    Mnemonic(ctx, e.name);
    ctx.text.Str(ctx.Accumulator()).Str(", ");
    ctx.FullImmediate();
}

void Plain(DecodeContext& ctx, const OneByteEntry& e) {
    ctx.text.Str(Name(ctx, e));
    Remark(ctx, e.remark);
}

void RegLow(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode) {
    Mnemonic(ctx, e.name);
    ctx.text.Str(kRegisterNames[ctx.FullRow()][opcode & 7]);
}
void XchgAcc(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode) {
    Mnemonic(ctx, e.name);
    ctx.text.Str(ctx.Accumulator()).Str(", ").Str(kRegisterNames[ctx.FullRow()][opcode & 7]);
}
void MovReg8Imm(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode) {
    Mnemonic(ctx, e.name);
    ctx.text.Str(kRegisterNames[kRow8][opcode & 7]).Str(", ").Hex2(ctx.cursor.Next());
}
void MovRegFullImm(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode) {
    Mnemonic(ctx, e.name);
    ctx.text.Str(kRegisterNames[ctx.FullRow()][opcode & 7]).Str(", ");
    ctx.FullImmediate();
}

// A sign-extended 8-bit immediate: "-" and the magnitude when negative.
void SignShown8(TextWriter& out, uint8_t value) {
    if (value & 0x80) out.Char('-').Hex2(static_cast<uint32_t>(0x100 - value));
    else out.Hex2(value);
}

void PushFull(DecodeContext& ctx, const OneByteEntry& e) {
    Mnemonic(ctx, e.name);
    ctx.FullImmediate();
}
void PushImm8(DecodeContext& ctx, const OneByteEntry& e) {
    Mnemonic(ctx, e.name);
    SignShown8(ctx.text, ctx.cursor.Next());
}

void ImulFull(DecodeContext& ctx, const OneByteEntry& e) {
    const ModRM m = DecodeModRM(ctx);
    Mnemonic(ctx, e.name);
    ctx.text.Str(kRegisterNames[ctx.FullRow()][m.reg]).Str(Separator(m));
    WriteRm(ctx, m, ctx.FullRow(), ctx.FullSize(), kStyle);
    ctx.text.Str(Separator(m));
    ctx.FullImmediate();
}
void ImulImm8(DecodeContext& ctx, const OneByteEntry& e) {
    const ModRM m = DecodeModRM(ctx);
    Mnemonic(ctx, e.name);
    ctx.text.Str(kRegisterNames[ctx.FullRow()][m.reg]).Char(',');
    WriteRm(ctx, m, ctx.FullRow(), ctx.FullSize(), kStyle);
    ctx.text.Char(',');
    SignShown8(ctx.text, ctx.cursor.Next());
    if (!m.IsRegister()) ctx.text.Char('h');
}

// String operands go to the remark: "Size ptr SEG:[reg]".
void StringOperand(DecodeContext& ctx, const char* size, uint8_t segment, uint8_t reg) {
    const RegRow row = ctx.prefixes.address16 ? kRow16 : kRow32;
    ctx.comment.Str(size).Str(" ptr ").Str(kSegmentNames[segment]).Str(":[").Str(kRegisterNames[row][reg]).Char(']');
}
constexpr uint8_t kEsi = 6;
constexpr uint8_t kEdi = 7;

const char* StringSize(const DecodeContext& ctx, uint8_t opcode) {
    if (!(opcode & 1)) return "Byte";
    return ctx.prefixes.operand16 ? "Word" : "Dword";
}

void Ins(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode) {
    ctx.text.Str(Name(ctx, e));
    StringOperand(ctx, StringSize(ctx, opcode), kSegES, kEdi);
    ctx.comment.Str(", DX");
}
// outs reads from DS:[esi] (or the segment of a prefix), not from ES:[edi].
void Outs(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode) {
    ctx.text.Str(Name(ctx, e));
    ctx.comment.Str("DX, ");
    StringOperand(ctx, StringSize(ctx, opcode), ctx.prefixes.segment, kEsi);
}

// movs and cmps: destination ES:[edi], source the current segment with esi;
// cmps without a repeat prefix names the source first.
void TwoStrings(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode, bool sourceFirst) {
    ctx.text.Str(e.name);
    const char* size = StringSize(ctx, opcode);
    if (sourceFirst) StringOperand(ctx, size, ctx.prefixes.segment, kEsi);
    else StringOperand(ctx, size, kSegES, kEdi);
    ctx.comment.Str(", ");
    if (sourceFirst) StringOperand(ctx, size, kSegES, kEdi);
    else StringOperand(ctx, size, ctx.prefixes.segment, kEsi);
}
void OneString(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode, uint8_t segment, uint8_t reg) {
    ctx.text.Str(e.name);
    StringOperand(ctx, StringSize(ctx, opcode), segment, reg);
}

void Relative8(DecodeContext& ctx, const char* name) {
    const int8_t displacement = static_cast<int8_t>(ctx.cursor.Next());
    Mnemonic(ctx, name);
    ctx.text.Hex8(ctx.Target(displacement));
}

// After 66h the displacement is 16 bits and the instruction pointer wraps
// at 64 KiB, as the processor does it.
void RelFull(DecodeContext& ctx, const OneByteEntry& e) {
    Mnemonic(ctx, e.name);
    if (ctx.prefixes.operand16) {
        const int16_t displacement = static_cast<int16_t>(ctx.cursor.Next16());
        ctx.text.Hex8(ctx.Target(displacement) & 0xFFFF);
    } else {
        const int32_t displacement = static_cast<int32_t>(ctx.cursor.Next32());
        ctx.text.Hex8(ctx.Target(displacement));
    }
}

void GroupArith(DecodeContext& ctx, uint8_t opcode) {
    const ModRM m = DecodeModRM(ctx);
    const bool wide = opcode & 1;
    Mnemonic(ctx, kArithNames[m.reg]);
    WriteRm(ctx, m, wide ? ctx.FullRow() : kRow8, wide ? ctx.FullSize() : SizeWord::LowerByte, kStyle);
    ctx.text.Str(Separator(m));
    if (opcode == 0x81) {
        ctx.FullImmediate();
        return;
    }
    const uint8_t value = ctx.cursor.Next();
    if (m.IsRegister()) {
        SignShown8(ctx.text, value);
        return;
    }
    if (opcode == 0x80) ctx.text.Hex2(value);
    else SignShown8(ctx.text, value);
    if (!m.hasSib) ctx.text.Char('h');
}

void GroupShift(DecodeContext& ctx, uint8_t opcode) {
    const ModRM m = DecodeModRM(ctx);
    const bool wide = opcode & 1;
    Mnemonic(ctx, kShiftNames[m.reg]);
    WriteRm(ctx, m, wide ? ctx.FullRow() : kRow8, wide ? ctx.FullSize() : SizeWord::Byte, kStyle);
    ctx.text.Str(Separator(m));
    if (opcode <= 0xC1) ctx.text.Hex2(ctx.cursor.Next());
    else ctx.text.Str(opcode <= 0xD1 ? "1" : "cl");
}

void GroupUnary(DecodeContext& ctx, uint8_t opcode) {
    const ModRM m = DecodeModRM(ctx);
    const bool wide = opcode & 1;
    Mnemonic(ctx, kUnaryNames[m.reg]);
    WriteRm(ctx, m, wide ? ctx.FullRow() : kRow8, wide ? ctx.FullSize() : SizeWord::Byte, kStyle);
    if (m.reg > 1) return;
    ctx.text.Char(',');
    if (wide) ctx.FullImmediate();
    else ctx.text.Hex2(ctx.cursor.Next());
}

void GroupIncDecByte(DecodeContext& ctx) {
    const ModRM m = DecodeModRM(ctx);
    Mnemonic(ctx, kIncDecByteNames[m.reg]);
    WriteRm(ctx, m, kRow8, SizeWord::Byte, kStyle);
    if (m.reg > 1) ctx.comment.Str(m.IsRegister() ? kIllegal : kInvalid);
}

void GroupIncDecBranch(DecodeContext& ctx) {
    const ModRM m = DecodeModRM(ctx);
    const bool far = m.reg == 3 || m.reg == 5;
    Mnemonic(ctx, kIncDecBranchNames[m.reg]);
    WriteRm(ctx, m, ctx.FullRow(), far ? SizeWord::Fword : ctx.FullSize(), kStyle);
    if (m.reg == 7) ctx.comment.Str(m.IsRegister() ? kIllegal : kInvalid);
    else if (far) ctx.comment.Str(m.IsRegister() ? kInvalid : (m.reg == 3 ? "Far Call" : "Far Jump"));
}

bool UnknownSegment(const ModRM& m) { return m.reg >= 6; }

void MovFromSeg(DecodeContext& ctx, const OneByteEntry& e) {
    const ModRM m = DecodeModRM(ctx);
    Mnemonic(ctx, e.name);
    WriteRm(ctx, m, ctx.FullRow(), SizeWord::Word, kStyle);
    if (m.IsRegister() && UnknownSegment(m)) {
        ctx.text.Str(", SEG ??");
        ctx.comment.Str("Unknown Segment Used,");
        return;
    }
    ctx.text.Str(Separator(m)).Str(kSegmentNames[m.reg]);
    if (UnknownSegment(m)) ctx.comment.Str(";Invalid Segment Usage");
}

void MovToSeg(DecodeContext& ctx, const OneByteEntry& e) {
    const ModRM m = DecodeModRM(ctx);
    Mnemonic(ctx, e.name);
    if (UnknownSegment(m)) {
        ctx.text.Str("SEG ??,");
        ctx.comment.Str("Unknown Segment Used,");
    } else {
        ctx.text.Str(kSegmentNames[m.reg]).Str(Separator(m));
        if (m.IsRegister()) ctx.comment.Str("Segment Is Being Modified!");
    }
    WriteRm(ctx, m, ctx.FullRow(), SizeWord::Word, kStyle);
}

void PopRM(DecodeContext& ctx, const OneByteEntry& e) {
    const ModRM m = DecodeModRM(ctx);
    Mnemonic(ctx, e.name);
    WriteRm(ctx, m, ctx.FullRow(), ctx.FullSize(), kStyle);
    if (m.reg != 0) ctx.comment.Str(kInvalid);
}

// selector:offset; the offset is 16 bits after 66h (the operand size is
// what the processor goes by).
void FarPointer(DecodeContext& ctx, const OneByteEntry& e) {
    Mnemonic(ctx, e.name);
    const uint32_t offset = ctx.prefixes.operand16 ? ctx.cursor.Next16() : ctx.cursor.Next32();
    ctx.text.Hex4(ctx.cursor.Next16()).Char(':');
    if (ctx.prefixes.operand16) ctx.text.Hex4(offset);
    else ctx.text.Hex8(offset);
    ctx.comment.Str("Far ").Str(e.name);
}

void MoffsAddress(DecodeContext& ctx, const char* size) {
    ctx.text.Str(size).Str(" ptr ").Str(kSegmentNames[ctx.prefixes.segment]).Str(":[");
    if (ctx.prefixes.address16) ctx.text.Hex4(ctx.cursor.Next16());
    else ctx.text.Hex8(ctx.cursor.Next32());
    ctx.text.Char(']');
}
void MoffsLoad(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode) {
    Mnemonic(ctx, e.name);
    const bool wide = opcode & 1;
    ctx.text.Str(wide ? ctx.Accumulator() : "al").Str(", ");
    MoffsAddress(ctx, wide ? SizeText(ctx.FullSize()) : "Byte");
}
void MoffsStore(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode) {
    Mnemonic(ctx, e.name);
    const bool wide = opcode & 1;
    MoffsAddress(ctx, wide ? SizeText(ctx.FullSize()) : "Byte");
    ctx.text.Str(", ").Str(wide ? ctx.Accumulator() : "al");
}

void RetCount(DecodeContext& ctx, const OneByteEntry& e) {
    Mnemonic(ctx, e.name);
    const uint16_t count = ctx.cursor.Next16();
    if (count >= 0xA000) ctx.text.Hex(count, 5);
    else ctx.text.Hex4(count);
    if (ctx.prefixes.lock) ctx.comment.Str("<Illegal Lock Prefix>");
}

void MovImm(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode) {
    const ModRM m = DecodeModRM(ctx);
    const bool wide = opcode & 1;
    if (!wide && m.IsRegister() && m.reg != 0) {
        ctx.cursor.Next();
        ctx.text.Str("???");
        ctx.comment.Str(kInvalid);
        return;
    }
    Mnemonic(ctx, e.name);
    WriteRm(ctx, m, wide ? ctx.FullRow() : kRow8, wide ? ctx.FullSize() : SizeWord::LowerByte, kStyle);
    ctx.text.Str(Separator(m));
    if (wide) {
        ctx.FullImmediate();
    } else {
        ctx.text.Hex2(ctx.cursor.Next());
        if (!m.IsRegister() && !m.hasSib) ctx.text.Char('h');
    }
    if (m.reg != 0) ctx.comment.Str(!wide && m.hasSib ? "Invalid Instruction!" : kInvalid);
}

void Enter(DecodeContext& ctx, const OneByteEntry& e) {
    Mnemonic(ctx, e.name);
    ctx.text.Hex4(ctx.cursor.Next16()).Str(", ").Hex2(ctx.cursor.Next());
}

void Imm8(DecodeContext& ctx, const OneByteEntry& e) {
    Mnemonic(ctx, e.name);
    ctx.text.Hex2(ctx.cursor.Next());
}

void Xlat(DecodeContext& ctx, const OneByteEntry& e) {
    ctx.text.Str(e.name);
    const RegRow row = ctx.prefixes.address16 ? kRow16 : kRow32;
    ctx.comment.Str("Byte ptr ").Str(kSegmentNames[ctx.prefixes.segment]).Str(":[");
    ctx.comment.Str(kRegisterNames[row][3]).Str("+al]");
}

const char* PortRegister(const DecodeContext& ctx, uint8_t opcode) { return opcode & 1 ? ctx.Accumulator() : "al"; }

void InImm(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode) {
    Mnemonic(ctx, e.name);
    ctx.text.Str(PortRegister(ctx, opcode)).Str(", ").Hex2(ctx.cursor.Next());
    Remark(ctx, e.remark);
}
void OutImm(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode) {
    Mnemonic(ctx, e.name);
    ctx.text.Hex2(ctx.cursor.Next()).Str(", ").Str(PortRegister(ctx, opcode));
    Remark(ctx, e.remark);
}
void InDx(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode) {
    Mnemonic(ctx, e.name);
    ctx.text.Str(PortRegister(ctx, opcode)).Str(", dx");
    Remark(ctx, e.remark);
}
void OutDx(DecodeContext& ctx, const OneByteEntry& e, uint8_t opcode) {
    Mnemonic(ctx, e.name);
    ctx.text.Str("dx, ").Str(PortRegister(ctx, opcode));
    Remark(ctx, e.remark);
}
}  // namespace

void DecodeOneByte(DecodeContext& ctx, uint8_t opcode) {
    const OneByteEntry& e = kOneByteMap[opcode];
    switch (e.form) {
        case Form1::Escape: break;
        case Form1::TwoOperand: TwoOperand(ctx, e, opcode); break;
        case Form1::Bound: Bound(ctx, e); break;
        case Form1::Arpl: Arpl(ctx, e); break;
        case Form1::Lea: Lea(ctx, e); break;
        case Form1::LoadFar: LoadFar(ctx, e); break;
        case Form1::AccImm8: AccImm8(ctx, e); break;
        case Form1::AccImmFull: AccImmFull(ctx, e); break;
        case Form1::Plain: Plain(ctx, e); break;
        case Form1::RegLow: RegLow(ctx, e, opcode); break;
        case Form1::XchgAcc: XchgAcc(ctx, e, opcode); break;
        case Form1::MovReg8Imm: MovReg8Imm(ctx, e, opcode); break;
        case Form1::MovRegFullImm: MovRegFullImm(ctx, e, opcode); break;
        case Form1::PushFull: PushFull(ctx, e); break;
        case Form1::PushImm8: PushImm8(ctx, e); break;
        case Form1::ImulFull: ImulFull(ctx, e); break;
        case Form1::ImulImm8: ImulImm8(ctx, e); break;
        case Form1::Ins: Ins(ctx, e, opcode); break;
        case Form1::Outs: Outs(ctx, e, opcode); break;
        case Form1::Movs: TwoStrings(ctx, e, opcode, false); break;
        case Form1::Cmps: TwoStrings(ctx, e, opcode, ctx.prefixes.rep == 0); break;
        case Form1::Stos: OneString(ctx, e, opcode, kSegES, kEdi); break;
        case Form1::Lods: OneString(ctx, e, opcode, ctx.prefixes.segment, kEsi); break;
        case Form1::Scas: OneString(ctx, e, opcode, kSegES, kEdi); break;
        case Form1::Jcc8: Relative8(ctx, kShortJumpNames[opcode & 0xF]); break;
        case Form1::Jump8: Relative8(ctx, e.name); break;
        case Form1::Loop: Relative8(ctx, ctx.prefixes.address16 && e.name16 ? e.name16 : e.name); break;
        case Form1::RelFull: RelFull(ctx, e); break;
        case Form1::GroupArith: GroupArith(ctx, opcode); break;
        case Form1::GroupShift: GroupShift(ctx, opcode); break;
        case Form1::GroupUnary: GroupUnary(ctx, opcode); break;
        case Form1::GroupIncDecByte: GroupIncDecByte(ctx); break;
        case Form1::GroupIncDecBranch: GroupIncDecBranch(ctx); break;
        case Form1::MovFromSeg: MovFromSeg(ctx, e); break;
        case Form1::MovToSeg: MovToSeg(ctx, e); break;
        case Form1::PopRM: PopRM(ctx, e); break;
        case Form1::FarPointer: FarPointer(ctx, e); break;
        case Form1::MoffsLoad: MoffsLoad(ctx, e, opcode); break;
        case Form1::MoffsStore: MoffsStore(ctx, e, opcode); break;
        case Form1::RetCount: RetCount(ctx, e); break;
        case Form1::MovImm: MovImm(ctx, e, opcode); break;
        case Form1::Enter: Enter(ctx, e); break;
        case Form1::Imm8: Imm8(ctx, e); break;
        case Form1::Xlat: Xlat(ctx, e); break;
        case Form1::InImm: InImm(ctx, e, opcode); break;
        case Form1::OutImm: OutImm(ctx, e, opcode); break;
        case Form1::InDx: InDx(ctx, e, opcode); break;
        case Form1::OutDx: OutDx(ctx, e, opcode); break;
    }
}

}  // namespace qv::disasm
