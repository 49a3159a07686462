// The two-byte (0Fh) opcode map as data.
#pragma once

#include <array>
#include <cstdint>

#include "disasm/Names.h"

namespace qv::disasm {

enum class Form2 : uint8_t {
    Undefined,    // "???", two bytes
    Plain,        // mnemonic alone, two bytes
    NearJcc,      // condition name and a 32-bit relative target
    Bswap,        // register of the low three bits
    Operands,     // ModRM operands as described by the entry's families
    OneOperand,   // ModRM r/m alone (set-on-condition)
    Group,        // mnemonic from a group table by the reg field
    Prefetch,     // 0F 0D
    ShiftImm,     // 0F 71, 0F 72: register form only
    BitTestImm,   // 0F BA: register form only
    Compare,      // 0F C2: packed or scalar compare with a predicate byte
    Cmpxchg8b,    // 0F C7
};

// Operand families: which register names a register operand takes.
enum class Family : uint8_t { General, General8, General16, General32, Mmx, Xmm, Control, Debug };

enum Flags2 : uint8_t {
    kStore = 1,       // r/m operand first
    kSpaced = 2,      // register form "%s %s, %s"
    kImm8 = 4,        // an 8-bit immediate follows
    kCountCl = 8,     // a third operand cl
    kRegOnly = 16,    // a memory operand makes the opcode undefined (two bytes)
};

struct TwoByteEntry {
    Form2 form = Form2::Undefined;
    const char* name = "???";
    Family reg = Family::General;   // family of the reg-field operand
    Family rm = Family::General;    // family of a register r/m operand
    SizeWord size = SizeWord::Dword;
    uint8_t flags = 0;
    const char* registerName = nullptr;  // mnemonic of the register form when it differs
    uint8_t group = 0;                   // index into kTwoByteGroups for Form2::Group
};

struct TwoByteGroup {
    const char* names[8];
    SizeWord sizes[8];
    uint8_t registerForms;  // bit per reg value whose register form is defined
    const char* fenceNames[8];  // register forms with r/m 0 that are instructions of their own
};

extern const std::array<TwoByteEntry, 256> kTwoByteMap;
extern const std::array<TwoByteEntry, 256> kScalarMap;  // after F3h
extern const TwoByteGroup kTwoByteGroups[4];
extern const char* const kNearJumpNames[16];
extern const char* const kPackedPredicates[8];
extern const char* const kScalarPredicates[8];

}  // namespace qv::disasm
