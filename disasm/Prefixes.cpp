#include "disasm/Prefixes.h"

namespace qv::disasm {

namespace {
enum class PrefixKind : uint8_t { None, Segment, Operand, Address, Lock, Repeat };

struct PrefixInfo {
    PrefixKind kind;
    uint8_t segment;
};

constexpr PrefixInfo Classify(uint8_t byte) {
    switch (byte) {
        case 0x26: return {PrefixKind::Segment, 0};
        case 0x2E: return {PrefixKind::Segment, 1};
        case 0x36: return {PrefixKind::Segment, 2};
        case 0x3E: return {PrefixKind::Segment, 3};
        case 0x64: return {PrefixKind::Segment, 4};
        case 0x65: return {PrefixKind::Segment, 5};
        case 0x66: return {PrefixKind::Operand, 0};
        case 0x67: return {PrefixKind::Address, 0};
        case 0xF0: return {PrefixKind::Lock, 0};
        case 0xF2:
        case 0xF3: return {PrefixKind::Repeat, 0};
        default: return {PrefixKind::None, 0};
    }
}

bool IsStringOpcode(uint8_t opcode) { return (opcode >= 0xA4 && opcode <= 0xA7) || (opcode >= 0xAA && opcode <= 0xAF); }

// movs, stos and lods take "rep" rather than "repe" after F3h.
bool TakesPlainRep(uint8_t opcode) { return opcode == 0xA4 || opcode == 0xA5 || (opcode >= 0xAA && opcode <= 0xAD); }

// A second prefix of one kind, or a misplaced repeat prefix: "Prefix NAME:".
bool Fail(DecodeContext& ctx, const char* name) {
    ctx.text.Clear();
    ctx.comment.Clear();
    ctx.comment.Str("Prefix ").Str(name).Char(':');
    return false;
}

bool ReadRepeat(DecodeContext& ctx, uint8_t byte) {
    const uint8_t next = ctx.cursor.Peek();
    if (IsStringOpcode(next)) {
        ctx.prefixes.rep = byte;
        ++ctx.prefixes.counted;
        if (byte == 0xF2) ctx.text.Str("repne ");
        else ctx.text.Str(TakesPlainRep(next) ? "rep " : "repe ");
        return true;
    }
    if (next == 0x0F && IsScalarSecondByte(ctx.cursor.Peek(1))) {
        ctx.prefixes.rep = byte;
        ctx.prefixes.repInLength = true;
        return true;
    }
    return Fail(ctx, "REP");
}
}  // namespace

bool IsScalarSecondByte(uint8_t second) {
    switch (second) {
        case 0x10: case 0x11: case 0x2A: case 0x2C: case 0x2D: case 0x51: case 0x52: case 0x53:
        case 0x58: case 0x59: case 0x5C: case 0x5D: case 0x5E: case 0x5F: case 0xC2:
            return true;
        default:
            return false;
    }
}

bool ReadPrefixes(DecodeContext& ctx) {
    PrefixState& p = ctx.prefixes;
    for (;;) {
        const uint8_t byte = ctx.cursor.Peek();
        const PrefixInfo info = Classify(byte);
        if (info.kind == PrefixKind::None) return true;
        ctx.cursor.Next();
        switch (info.kind) {
            case PrefixKind::Segment:
                if (p.segmentSeen) return Fail(ctx, kSegmentNames[p.segment]);
                p.segmentSeen = true;
                p.segment = info.segment;
                ++p.counted;
                break;
            case PrefixKind::Operand:
                if (p.operand16) return Fail(ctx, "DataSize");
                p.operand16 = true;
                ++p.counted;
                break;
            case PrefixKind::Address:
                if (p.address16) return Fail(ctx, "AddrSize");
                p.address16 = true;
                ++p.counted;
                break;
            case PrefixKind::Lock:
                if (p.lock) return Fail(ctx, "LOCK");
                p.lock = true;
                ++p.counted;
                ctx.text.Str("lock ");
                break;
            case PrefixKind::Repeat:
                // Accepted only right before its opcode, so it ends the run.
                return ReadRepeat(ctx, byte);
            case PrefixKind::None:
                break;
        }
    }
}

}  // namespace qv::disasm
