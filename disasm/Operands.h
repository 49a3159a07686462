// Small writers for operands that the opcode maps share.
#pragma once

#include "disasm/DecodeContext.h"
#include "disasm/ModRM.h"

namespace qv::disasm {

// The r/m operand: a register of `row` for mod 3, else the memory text.
inline void WriteRm(DecodeContext& ctx, const ModRM& m, RegRow row, SizeWord size, DispStyle style) {
    if (m.IsRegister()) ctx.text.Str(kRegisterNames[row][m.rm]);
    else WriteMemory(ctx.text, m, size, style);
}

// Register forms put a blank after the comma, memory forms don't.
inline const char* Separator(const ModRM& m) { return m.IsRegister() ? ", " : ","; }

inline void Remark(DecodeContext& ctx, const char* remark) {
    if (remark) ctx.comment.Str(remark);
}

inline constexpr const char* kInvalid = "Invalid Instruction";
inline constexpr const char* kIllegal = "Illegal Instruction";

}  // namespace qv::disasm
