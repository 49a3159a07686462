#include "disasm/OneByteTable.h"

namespace qv::disasm {

const char* const kArithNames[8] = {"add", "or", "adc", "sbb", "and", "sub", "xor", "cmp"};
const char* const kShiftNames[8] = {"rol", "ror", "rcl", "rcr", "shl", "shr", "sal", "sar"};
const char* const kUnaryNames[8] = {"test", "test", "not", "neg", "mul", "imul", "div", "idiv"};
const char* const kIncDecByteNames[8] = {"inc", "dec", "???", "???", "???", "???", "???", "???"};
const char* const kIncDecBranchNames[8] = {"inc", "dec", "call", "call far", "jmp", "jmp far", "push", "???"};
const char* const kShortJumpNames[16] = {"jo", "jno", "jb", "jnb", "jz", "jnz", "jbe", "ja",
                                         "js", "jns", "jp", "jnp", "jl", "jge", "jle", "jg"};

namespace {
using F = Form1;

struct Row {
    uint8_t first;
    uint8_t last;
    OneByteEntry entry;
};

// Ranges and single bytes; later rows don't overlap earlier ones.
constexpr Row kRows[] = {
    {0x06, 0x06, {F::Plain, "push es", nullptr, "Push ES register to the stack"}},
    {0x07, 0x07, {F::Plain, "pop es", nullptr, "Pop top stack to ES"}},
    {0x0E, 0x0E, {F::Plain, "push cs", nullptr, "Push CS register to the stack"}},
    {0x16, 0x16, {F::Plain, "push ss", nullptr, "Push SS register to the stack"}},
    {0x17, 0x17, {F::Plain, "pop ss", nullptr, "Pop top stack to SS"}},
    {0x1E, 0x1E, {F::Plain, "push ds", nullptr, "Push DS register to the stack"}},
    {0x1F, 0x1F, {F::Plain, "pop ds", nullptr, "Pop top stack to DS"}},
    {0x27, 0x27, {F::Plain, "daa"}},
    {0x2F, 0x2F, {F::Plain, "das"}},
    {0x37, 0x37, {F::Plain, "aaa"}},
    {0x3F, 0x3F, {F::Plain, "aas"}},
    {0x40, 0x47, {F::RegLow, "inc"}},
    {0x48, 0x4F, {F::RegLow, "dec"}},
    {0x50, 0x57, {F::RegLow, "push"}},
    {0x58, 0x5F, {F::RegLow, "pop"}},
    {0x60, 0x60, {F::Plain, "pushad", "pushaw"}},
    {0x61, 0x61, {F::Plain, "popad", "popaw"}},
    {0x62, 0x62, {F::Bound, "bound"}},
    {0x63, 0x63, {F::Arpl, "arpl"}},
    {0x68, 0x68, {F::PushFull, "push"}},
    {0x69, 0x69, {F::ImulFull, "imul"}},
    {0x6A, 0x6A, {F::PushImm8, "push"}},
    {0x6B, 0x6B, {F::ImulImm8, "imul"}},
    {0x6C, 0x6C, {F::Ins, "insb"}},
    {0x6D, 0x6D, {F::Ins, "insd", "insw"}},
    {0x6E, 0x6E, {F::Outs, "outsb"}},
    {0x6F, 0x6F, {F::Outs, "outsd", "outsw"}},
    {0x70, 0x7F, {F::Jcc8}},
    {0x80, 0x83, {F::GroupArith}},
    {0x84, 0x85, {F::TwoOperand, "test"}},
    {0x86, 0x87, {F::TwoOperand, "xchg"}},
    {0x88, 0x8B, {F::TwoOperand, "mov"}},
    {0x8C, 0x8C, {F::MovFromSeg, "mov"}},
    {0x8D, 0x8D, {F::Lea, "lea"}},
    {0x8E, 0x8E, {F::MovToSeg, "mov"}},
    {0x8F, 0x8F, {F::PopRM, "pop"}},
    {0x90, 0x90, {F::Plain, "nop"}},
    {0x91, 0x97, {F::XchgAcc, "xchg"}},
    {0x98, 0x98, {F::Plain, "cwde", "cbw"}},
    {0x99, 0x99, {F::Plain, "cdq", "cwd"}},
    {0x9A, 0x9A, {F::FarPointer, "call"}},
    {0x9B, 0x9B, {F::Plain, "wait"}},
    {0x9C, 0x9C, {F::Plain, "pushfd", "pushfw"}},
    {0x9D, 0x9D, {F::Plain, "popfd", "popfw"}},
    {0x9E, 0x9E, {F::Plain, "sahf"}},
    {0x9F, 0x9F, {F::Plain, "lahf"}},
    {0xA0, 0xA1, {F::MoffsLoad, "mov"}},
    {0xA2, 0xA3, {F::MoffsStore, "mov"}},
    {0xA4, 0xA5, {F::Movs, "movs"}},
    {0xA6, 0xA7, {F::Cmps, "cmps"}},
    {0xA8, 0xA8, {F::AccImm8, "test"}},
    {0xA9, 0xA9, {F::AccImmFull, "test"}},
    {0xAA, 0xAB, {F::Stos, "stos"}},
    {0xAC, 0xAD, {F::Lods, "lods"}},
    {0xAE, 0xAF, {F::Scas, "scas"}},
    {0xB0, 0xB7, {F::MovReg8Imm, "mov"}},
    {0xB8, 0xBF, {F::MovRegFullImm, "mov"}},
    {0xC0, 0xC1, {F::GroupShift}},
    {0xC2, 0xC2, {F::RetCount, "ret"}},
    {0xC3, 0xC3, {F::Plain, "ret", nullptr, "Pop IP"}},
    {0xC4, 0xC4, {F::LoadFar, "les"}},
    {0xC5, 0xC5, {F::LoadFar, "lds"}},
    {0xC6, 0xC7, {F::MovImm, "mov"}},
    {0xC8, 0xC8, {F::Enter, "enter"}},
    {0xC9, 0xC9, {F::Plain, "leave"}},
    {0xCA, 0xCA, {F::RetCount, "retf"}},
    {0xCB, 0xCB, {F::Plain, "retf"}},
    {0xCC, 0xCC, {F::Plain, "int3"}},
    {0xCD, 0xCD, {F::Imm8, "int"}},
    {0xCE, 0xCE, {F::Plain, "into"}},
    {0xCF, 0xCF, {F::Plain, "iretd", "iretw"}},
    {0xD0, 0xD3, {F::GroupShift}},
    {0xD4, 0xD4, {F::Imm8, "aam"}},
    {0xD5, 0xD5, {F::Imm8, "aad"}},
    {0xD6, 0xD6, {F::Plain, "salc"}},
    {0xD7, 0xD7, {F::Xlat, "xlat"}},
    {0xE0, 0xE0, {F::Loop, "loopne"}},
    {0xE1, 0xE1, {F::Loop, "loope"}},
    {0xE2, 0xE2, {F::Loop, "loop"}},
    {0xE3, 0xE3, {F::Loop, "jecxz", "jcxz"}},
    {0xE4, 0xE5, {F::InImm, "in", nullptr, "I/O Instruction"}},
    {0xE6, 0xE7, {F::OutImm, "out", nullptr, "I/O Instruction"}},
    {0xE8, 0xE8, {F::RelFull, "call"}},
    {0xE9, 0xE9, {F::RelFull, "jmp"}},
    {0xEA, 0xEA, {F::FarPointer, "jmp"}},
    {0xEB, 0xEB, {F::Jump8, "jmp"}},
    {0xEC, 0xED, {F::InDx, "in", nullptr, "I/O Instruction"}},
    {0xEE, 0xEF, {F::OutDx, "out", nullptr, "I/O Instruction"}},
    {0xF1, 0xF1, {F::Plain, "int1", nullptr, "(icebp)"}},
    {0xF4, 0xF4, {F::Plain, "hlt", nullptr, "Halts CPU until RESET"}},
    {0xF5, 0xF5, {F::Plain, "cmc", nullptr, "inverts the Carry Flag"}},
    {0xF6, 0xF7, {F::GroupUnary}},
    {0xF8, 0xF8, {F::Plain, "clc", nullptr, "Clears the Carry Flag"}},
    {0xF9, 0xF9, {F::Plain, "stc", nullptr, "Sets the Carry Flag to 1"}},
    {0xFA, 0xFA, {F::Plain, "cli", nullptr, "Set Interrupt flag to 0"}},
    {0xFB, 0xFB, {F::Plain, "sti", nullptr, "Set Interrupt flag to 1"}},
    {0xFC, 0xFC, {F::Plain, "cld", nullptr, "Set Direction Flag to 0"}},
    {0xFD, 0xFD, {F::Plain, "std", nullptr, "Set Direction Flag to 1"}},
    {0xFE, 0xFE, {F::GroupIncDecByte}},
    {0xFF, 0xFF, {F::GroupIncDecBranch}},
};

std::array<OneByteEntry, 256> Build() {
    std::array<OneByteEntry, 256> map{};
    // The arithmetic rows 00h-3Fh: six forms per row, by bits 5-3.
    for (unsigned row = 0; row < 8; ++row) {
        const unsigned base = row * 8;
        for (unsigned i = 0; i < 4; ++i) map[base + i] = {F::TwoOperand, kArithNames[row]};
        map[base + 4] = {F::AccImm8, kArithNames[row]};
        map[base + 5] = {F::AccImmFull, kArithNames[row]};
    }
    for (const Row& row : kRows) {
        for (unsigned b = row.first; b <= row.last; ++b) map[b] = row.entry;
    }
    return map;
}
}  // namespace

const std::array<OneByteEntry, 256> kOneByteMap = Build();

}  // namespace qv::disasm
