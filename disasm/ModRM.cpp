#include "disasm/ModRM.h"

namespace qv::disasm {

namespace {
constexpr uint8_t kEsp = 4;
constexpr uint8_t kEbp = 5;

uint8_t DefaultSegment32(const ModRM& m) {
    if (m.hasSib) {
        const bool hasBase = !(m.mod == 0 && m.base == kEbp);
        return hasBase && (m.base == kEsp || m.base == kEbp) ? kSegSS : kSegDS;
    }
    return (m.rm == kEbp && m.mod != 0) ? kSegSS : kSegDS;
}

uint8_t DefaultSegment16(const ModRM& m) {
    const bool viaBp = m.rm == 2 || m.rm == 3 || (m.rm == 6 && m.mod != 0);
    return viaBp ? kSegSS : kSegDS;
}

void Decode32(CodeCursor& cursor, ModRM& m) {
    if (m.rm == 4) {
        const uint8_t sib = cursor.Next();
        m.hasSib = true;
        m.scale = static_cast<uint8_t>(sib >> 6);
        m.index = static_cast<uint8_t>((sib >> 3) & 7);
        m.base = static_cast<uint8_t>(sib & 7);
        if (m.mod == 0 && m.base == kEbp) m.displacement = cursor.Next32();
    } else if (m.mod == 0 && m.rm == kEbp) {
        m.displacement = cursor.Next32();
    }
    if (m.mod == 1) m.displacement = cursor.Next();
    else if (m.mod == 2) m.displacement = cursor.Next32();
}

void Decode16(CodeCursor& cursor, ModRM& m) {
    if (m.mod == 0 && m.rm == 6) m.displacement = cursor.Next16();
    else if (m.mod == 1) m.displacement = cursor.Next();
    else if (m.mod == 2) m.displacement = cursor.Next16();
}

void WriteSib(TextWriter& out, const ModRM& m, DispStyle style) {
    const bool index = m.index != 4;
    if (index) out.Str(kRegisterNames[kRow32][m.index]).Str(kScaleWords[m.scale]);
    if (m.mod == 0 && m.base == kEbp) {
        out.Hex8(m.displacement);
        return;
    }
    out.Str(kRegisterNames[kRow32][m.base]);
    if (m.mod == 1) out.Signed8(static_cast<uint8_t>(m.displacement));
    else if (m.mod == 2) out.Char('+').Hex8(m.displacement);
    if (m.mod != 0 && style == DispStyle::TrailingH) out.Char('h');
}

void Write32(TextWriter& out, const ModRM& m, DispStyle style) {
    if (m.hasSib) {
        WriteSib(out, m, style);
    } else if (m.mod == 0 && m.rm == kEbp) {
        out.Hex8(m.displacement);
    } else {
        out.Str(kRegisterNames[kRow32][m.rm]);
        if (m.mod == 1) {
            out.Signed8(static_cast<uint8_t>(m.displacement));
            if (style == DispStyle::TrailingH) out.Char('h');
        } else if (m.mod == 2) {
            out.Char('+').Hex8(m.displacement);
        }
    }
}

void Write16(TextWriter& out, const ModRM& m) {
    if (m.mod == 0 && m.rm == 6) {
        out.Hex4(m.displacement);
        return;
    }
    out.Str(kAddress16Forms[m.rm]);
    if (m.mod == 1) out.Signed8(static_cast<uint8_t>(m.displacement));
    else if (m.mod == 2) out.Char('+').Hex4(m.displacement);
}
}  // namespace

ModRM DecodeModRM(DecodeContext& ctx) {
    const uint8_t byte = ctx.cursor.Next();
    ModRM m;
    m.mod = static_cast<uint8_t>(byte >> 6);
    m.reg = static_cast<uint8_t>((byte >> 3) & 7);
    m.rm = static_cast<uint8_t>(byte & 7);
    if (m.IsRegister()) return m;
    m.address16 = ctx.prefixes.address16;
    if (m.address16) Decode16(ctx.cursor, m);
    else Decode32(ctx.cursor, m);
    if (ctx.prefixes.segmentSeen) m.segment = ctx.prefixes.segment;
    else m.segment = m.address16 ? DefaultSegment16(m) : DefaultSegment32(m);
    return m;
}

void WriteMemory(TextWriter& out, const ModRM& m, SizeWord size, DispStyle style) {
    out.Str(SizeText(size)).Str(" ptr ").Str(kSegmentNames[m.segment]).Str(":[");
    if (m.address16) Write16(out, m);
    else Write32(out, m, style);
    out.Char(']');
}

}  // namespace qv::disasm
