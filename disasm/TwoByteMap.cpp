// Decoding of the 0Fh opcodes, driven by the tables of TwoByteTable.cpp.
// The two-byte map writes displacements without the trailing "h".
#include "disasm/Operands.h"
#include "disasm/TwoByteTable.h"

namespace qv::disasm {

namespace {
constexpr DispStyle kStyle = DispStyle::Plain;
constexpr const char* kInvalidMemory = "Invalid instruction";

const char* RegisterName(const DecodeContext& ctx, Family family, uint8_t index) {
    switch (family) {
        case Family::General: return kRegisterNames[ctx.FullRow()][index];
        case Family::General8: return kRegisterNames[kRow8][index];
        case Family::General16: return kRegisterNames[kRow16][index];
        case Family::General32: return kRegisterNames[kRow32][index];
        case Family::Mmx: return kMmxNames[index];
        case Family::Xmm: return kXmmNames[index];
        case Family::Control: return kControlNames[index];
        case Family::Debug: return kDebugNames[index];
    }
    return "";
}

// Size word of a memory operand: general-register operands follow 66h.
SizeWord MemorySize(const DecodeContext& ctx, const TwoByteEntry& e) {
    return e.reg == Family::General && e.size == SizeWord::Dword ? ctx.FullSize() : e.size;
}

void WriteRmOperand(DecodeContext& ctx, const TwoByteEntry& e, const ModRM& m) {
    if (m.IsRegister()) ctx.text.Str(RegisterName(ctx, e.rm, m.rm));
    else WriteMemory(ctx.text, m, MemorySize(ctx, e), kStyle);
}

void Undefined(DecodeContext& ctx) {
    ctx.text.Str("???");
    ctx.comment.Str(kInvalid);
}

// Register-only opcodes: a memory ModRM leaves the opcode at two bytes.
bool MemoryRefused(DecodeContext& ctx) {
    if ((ctx.cursor.Peek() >> 6) == 3) return false;
    Undefined(ctx);
    return true;
}

void Operands(DecodeContext& ctx, const TwoByteEntry& e) {
    if ((e.flags & kRegOnly) && MemoryRefused(ctx)) return;
    const ModRM m = DecodeModRM(ctx);
    const char* name = m.IsRegister() && e.registerName ? e.registerName : e.name;
    const char* separator = m.IsRegister() && (e.flags & kSpaced) ? ", " : ",";
    ctx.text.Str(name).Char(' ');
    if (e.flags & kStore) {
        WriteRmOperand(ctx, e, m);
        ctx.text.Str(separator).Str(RegisterName(ctx, e.reg, m.reg));
    } else {
        ctx.text.Str(RegisterName(ctx, e.reg, m.reg)).Str(separator);
        WriteRmOperand(ctx, e, m);
    }
    if (e.flags & kImm8) ctx.text.Char(',').Hex2(ctx.cursor.Next());
    if (e.flags & kCountCl) ctx.text.Str(",cl");
}

void OneOperand(DecodeContext& ctx, const TwoByteEntry& e) {
    const ModRM m = DecodeModRM(ctx);
    ctx.text.Str(e.name).Char(' ');
    WriteRmOperand(ctx, e, m);
}

void Group(DecodeContext& ctx, const TwoByteEntry& e) {
    const TwoByteGroup& g = kTwoByteGroups[e.group];
    const ModRM m = DecodeModRM(ctx);
    const char* name = g.names[m.reg];
    if (m.IsRegister()) {
        if (m.rm == 0 && g.fenceNames[m.reg]) {
            ctx.text.Str(g.fenceNames[m.reg]);
            return;
        }
        if (!(g.registerForms & (1u << m.reg)) || name[0] == '?') {
            Undefined(ctx);
            return;
        }
        ctx.text.Str(name).Char(' ').Str(kRegisterNames[ctx.FullRow()][m.rm]);
        return;
    }
    if (name[0] == '?') {
        ctx.text.Str("???");
        ctx.comment.Str(kInvalidMemory);
        return;
    }
    ctx.text.Str(name).Char(' ');
    WriteMemory(ctx.text, m, g.sizes[m.reg], kStyle);
}

void Prefetch(DecodeContext& ctx) {
    const uint8_t byte = ctx.cursor.Peek();
    const ModRM m = DecodeModRM(ctx);
    if (m.IsRegister()) {
        if (byte > 0xCF) {
            Undefined(ctx);
            return;
        }
        ctx.text.Str(m.reg == 0 ? "prefetch " : "prefetchw ").Str(kRegisterNames[kRow32][m.rm]);
        return;
    }
    if (m.reg > 1) {
        ctx.text.Str("???");
        ctx.comment.Str(kInvalidMemory);
        return;
    }
    ctx.text.Str(m.reg == 0 ? "prefetcht " : "prefetchtW ");
    WriteMemory(ctx.text, m, SizeWord::Qword, kStyle);
}

void ShiftImm(DecodeContext& ctx, const TwoByteEntry& e) {
    if (MemoryRefused(ctx)) return;
    const ModRM m = DecodeModRM(ctx);
    const uint8_t count = ctx.cursor.Next();
    static const char* const kShifts[8] = {nullptr, nullptr, "psrl", nullptr, "psra", nullptr, "psll", nullptr};
    if (!kShifts[m.reg]) {
        Undefined(ctx);
        return;
    }
    ctx.text.Str(kShifts[m.reg]).Str(e.name).Char(' ').Str(kMmxNames[m.rm]).Char(',').Hex2(count);
}

void BitTestImm(DecodeContext& ctx) {
    if (MemoryRefused(ctx)) return;
    const ModRM m = DecodeModRM(ctx);
    const uint8_t bit = ctx.cursor.Next();
    static const char* const kBitTests[4] = {"bt", "bts", "btr", "btc"};
    if (m.reg < 4) {
        Undefined(ctx);
        return;
    }
    ctx.text.Str(kBitTests[m.reg - 4]).Char(' ').Str(kRegisterNames[ctx.FullRow()][m.rm]).Char(',').Hex2(bit);
}

// Predicates 0 to 7 read as their own mnemonics (cmpltps ...), other bytes
// keep the generic form with the byte.
void Compare(DecodeContext& ctx, const TwoByteEntry& e, bool scalar) {
    const ModRM m = DecodeModRM(ctx);
    const uint8_t predicate = ctx.cursor.Next();
    const bool named = predicate < 8;
    ctx.text.Str(named ? (scalar ? kScalarPredicates : kPackedPredicates)[predicate] : e.name).Char(' ');
    ctx.text.Str(kXmmNames[m.reg]).Char(',');
    WriteRmOperand(ctx, e, m);
    if (!named) ctx.text.Char(',').Hex2(predicate);
}

void Cmpxchg8b(DecodeContext& ctx, const TwoByteEntry& e) {
    const uint8_t byte = ctx.cursor.Peek();
    if ((byte >> 6) != 0 || ((byte >> 3) & 7) != 1) {
        Undefined(ctx);
        return;
    }
    const ModRM m = DecodeModRM(ctx);
    ctx.text.Str(e.name).Char(' ');
    WriteMemory(ctx.text, m, e.size, kStyle);
}

void Decode(DecodeContext& ctx, const TwoByteEntry& e, uint8_t second, bool scalar) {
    switch (e.form) {
        case Form2::Undefined: Undefined(ctx); break;
        case Form2::Plain: ctx.text.Str(e.name); break;
        case Form2::NearJcc: {
            const int32_t displacement = static_cast<int32_t>(ctx.cursor.Next32());
            ctx.text.Str(e.name).Char(' ').Hex8(ctx.Target(displacement));
            break;
        }
        case Form2::Bswap: ctx.text.Str(e.name).Char(' ').Str(kRegisterNames[ctx.FullRow()][second & 7]); break;
        case Form2::Operands: Operands(ctx, e); break;
        case Form2::OneOperand: OneOperand(ctx, e); break;
        case Form2::Group: Group(ctx, e); break;
        case Form2::Prefetch: Prefetch(ctx); break;
        case Form2::ShiftImm: ShiftImm(ctx, e); break;
        case Form2::BitTestImm: BitTestImm(ctx); break;
        case Form2::Compare: Compare(ctx, e, scalar); break;
        case Form2::Cmpxchg8b: Cmpxchg8b(ctx, e); break;
    }
}

// F2h before a scalar second byte is a later generation's double-precision
// form: consumed whole so the walk stays on instruction boundaries.
void UnknownRepeatForm(DecodeContext& ctx, uint8_t second) {
    DecodeModRM(ctx);
    if (second == 0xC2) ctx.cursor.Next();
    Undefined(ctx);
}
}  // namespace

void DecodeTwoByte(DecodeContext& ctx) {
    const uint8_t second = ctx.cursor.Next();
    if (ctx.prefixes.repInLength) {
        // The scalar forms own their F3h byte: the text starts afresh.
        ctx.text.Clear();
        if (ctx.prefixes.rep == 0xF3) Decode(ctx, kScalarMap[second], second, true);
        else UnknownRepeatForm(ctx, second);
        return;
    }
    Decode(ctx, kTwoByteMap[second], second, false);
}

}  // namespace qv::disasm
