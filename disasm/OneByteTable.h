// The one-byte opcode map as data: for every first byte, the operand form
// that decodes it and its words.
#pragma once

#include <array>
#include <cstdint>

namespace qv::disasm {

enum class Form1 : uint8_t {
    Escape,       // prefixes, 0Fh and the x87 escapes: never decoded here
    TwoOperand,   // ModRM, direction and width from the opcode's low bits
    Bound,        // reg, m (Qword; Dword after 66h)
    Arpl,         // r/m16, r16
    Lea,          // reg, m
    LoadFar,      // les/lds reg, m (Fword; Dword after 66h)
    AccImm8,      // al, imm8
    AccImmFull,   // eAX, imm16/32
    Plain,        // mnemonic alone (name16 after 66h when given)
    RegLow,       // register of the low three bits
    XchgAcc,      // eAX, register of the low three bits
    MovReg8Imm,
    MovRegFullImm,
    PushFull,
    PushImm8,
    ImulFull,
    ImulImm8,
    Ins,
    Outs,
    Movs,
    Cmps,
    Stos,
    Lods,
    Scas,
    Jcc8,
    Jump8,
    Loop,
    RelFull,
    GroupArith,
    GroupShift,
    GroupUnary,
    GroupIncDecByte,
    GroupIncDecBranch,
    MovFromSeg,
    MovToSeg,
    PopRM,
    FarPointer,
    MoffsLoad,
    MoffsStore,
    RetCount,
    MovImm,
    Enter,
    Imm8,         // "%s %02X": int, aam, aad
    Xlat,
    InImm,
    OutImm,
    InDx,
    OutDx,
};

struct OneByteEntry {
    Form1 form = Form1::Escape;
    const char* name = nullptr;
    const char* name16 = nullptr;  // mnemonic after 66h (67h for jecxz), when it differs
    const char* remark = nullptr;
};

extern const std::array<OneByteEntry, 256> kOneByteMap;

extern const char* const kArithNames[8];
extern const char* const kShiftNames[8];
extern const char* const kUnaryNames[8];
extern const char* const kIncDecByteNames[8];
extern const char* const kIncDecBranchNames[8];
extern const char* const kShortJumpNames[16];

}  // namespace qv::disasm
