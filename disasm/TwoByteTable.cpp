#include "disasm/TwoByteTable.h"

namespace qv::disasm {

const char* const kNearJumpNames[16] = {"jo", "jno", "jb", "jnb", "jz", "jnz", "jbe", "ja",
                                        "js", "jns", "jpe", "jpo", "jl", "jge", "jle", "jg"};
const char* const kPackedPredicates[8] = {"cmpeqps",  "cmpltps",  "cmpleps",  "cmpunordps",
                                          "cmpneqps", "cmpnltps", "cmpnleps", "cmpordps"};
const char* const kScalarPredicates[8] = {"cmpeqss",  "cmpltss",  "cmpless",  "cmpunordss",
                                          "cmpneqss", "cmpnltss", "cmpnless", "cmpordss"};

namespace {
using S = SizeWord;
using Fm = Family;
using F = Form2;

constexpr S kW = S::Word;
constexpr const char* kNone = "???";

const char* const kRow28[8] = {"movaps", "movaps", "cvtpi2ps", kNone, "cvttps2pi", "cvtps2pi", "ucomiss", "comiss"};
const char* const kRow40[16] = {"cmovo", "cmovno", "cmovb",  "cmovnb",  "cmove", "cmovne", "cmovbe", "cmova",
                                "cmovs", "cmovns", "cmovpe", "cmovpo", "cmovl", "cmovge", "cmovle", "cmovg"};
const char* const kRow50Packed[16] = {kNone,   "sqrtps", "rsqrtps", "rcpps", "andps", "andnps", "orps",  "xorps",
                                      "addps", "mulps",  kNone,     kNone,   "subps", "minps",  "divps", "maxps"};
const char* const kRow50Scalar[16] = {kNone,   "sqrtss", "rsqrtss", "rcpss", "andps", "andnps", "orps",  "xorps",
                                      "addss", "mulss",  kNone,     kNone,   "subss", "minss",  "divss", "maxss"};
const char* const kRow60[16] = {"punpcklbw", "punpcklwd", "punpckldq", "packsswb", "pcmpgtb",  "pcmpgtw",
                                "pcmpgtd",   "packuswb",  "punpckhbw", "punpckhwd", "punpckhdq", "packssdw",
                                kNone,       kNone,       "movd",      "movq"};
const char* const kRow70[8] = {"pshufw", kNone, kNone, kNone, "pcmpeqb", "pcmpeqw", "pcmpeqd", "emms"};
const char* const kRow90[16] = {"seto", "setno", "setb",  "setnb",  "sete", "setne", "setbe", "seta",
                                "sets", "setns", "setpe", "setpo", "setl", "setge", "setle", "setg"};
const char* const kRowA0[16] = {"push fs", "pop fs", "cpuid", "bt",  "shld", "shld", kNone,  kNone,
                                "push gs", "pop gs", "rsm",   "bts", "shrd", "shrd", "fxsave", "imul"};
const char* const kRowB0[16] = {"cmpxchg", "cmpxchg", "lss", "btr", "lfs", "lgs", "movzx", "movzx",
                                kNone,     kNone,     kNone, "btc", "bsf", "bsr", "movsx", "movsx"};
const char* const kRowD0[16] = {kNone,     "psrlw",   "psrld",  "psrlq", kNone,     "pmullw",  kNone,  "pmovmskb",
                                "psubusb", "psubusw", "pminub", "pand",  "paddusb", "paddusw", "pmaxub", "pandn"};
const char* const kRowE0[16] = {"pavgb",  "psraw",  "psrad",  "pavgw", "pmulhuw", "pmulhw", kNone,    "movntq",
                                "psubsb", "psubsw", "pminsw", "por",   "paddsb",  "paddsw", "pmaxsw", "pxor"};
const char* const kRowF0[16] = {kNone,   "psllw", "pslld", "psllq", kNone,   "pmaddwd", "psadbw", "maskmovq",
                                "psubb", "psubw", "psubd", kNone,   "paddb", "paddw",   "paddd",  kNone};

struct PlainByte {
    uint8_t second;
    const char* name;
};
constexpr PlainByte kPlainBytes[] = {
    {0x05, "SysCall"}, {0x06, "clts"},     {0x07, "sysret"},  {0x08, "invd"},    {0x09, "wbinvd"},
    {0x0B, "ud2"},     {0x0E, "femms"},    {0x30, "wrmsr"},   {0x31, "rdtsc"},   {0x32, "rdmsr"},
    {0x33, "rdpmc"},   {0x34, "sysenter"}, {0x35, "sysexit"}, {0x77, "emms"},    {0xA0, "push fs"},
    {0xA1, "pop fs"},  {0xA2, "cpuid"},    {0xA8, "push gs"}, {0xA9, "pop gs"},  {0xAA, "rsm"},
};

constexpr TwoByteEntry Ops(const char* name, Fm reg, Fm rm, S size, uint8_t flags = 0, const char* registerName = nullptr) {
    return {F::Operands, name, reg, rm, size, flags, registerName, 0};
}
constexpr TwoByteEntry Plain(const char* name) { return {F::Plain, name}; }
constexpr TwoByteEntry Group(uint8_t index) { return {F::Group, kNone, Fm::General, Fm::General, S::Dword, 0, nullptr, index}; }

// Fills `count` bytes from `first` with MMX operations named by `names`;
// "???" names stay undefined.
void MmxRow(std::array<TwoByteEntry, 256>& map, unsigned first, const char* const* names, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        if (names[i] != kNone) map[first + i] = Ops(names[i], Fm::Mmx, Fm::Mmx, S::Qword);
    }
}

std::array<TwoByteEntry, 256> BuildPacked() {
    std::array<TwoByteEntry, 256> m{};
    m[0x00] = Group(0);
    m[0x01] = Group(1);
    m[0x02] = Ops("lar", Fm::General, Fm::General, S::Dword, kSpaced);
    m[0x03] = Ops("lsl", Fm::General, Fm::General, S::Dword, kSpaced);
    for (const PlainByte& plain : kPlainBytes) m[plain.second] = Plain(plain.name);
    m[0x0D] = {F::Prefetch, "prefetch"};
    m[0x10] = Ops("movups", Fm::Xmm, Fm::Xmm, S::DQword, kSpaced);
    m[0x11] = Ops("movups", Fm::Xmm, Fm::Xmm, S::DQword, kSpaced | kStore);
    m[0x12] = Ops("movlps", Fm::Xmm, Fm::Xmm, S::Qword, kSpaced, "movhlps");
    m[0x13] = Ops("movlps", Fm::Xmm, Fm::Xmm, S::Qword, kSpaced | kStore);
    m[0x14] = Ops("unpcklps", Fm::Xmm, Fm::Xmm, S::DQword, kSpaced);
    m[0x15] = Ops("unpckhps", Fm::Xmm, Fm::Xmm, S::DQword, kSpaced);
    m[0x16] = Ops("movhps", Fm::Xmm, Fm::Xmm, S::Qword, kSpaced, "movhlhps");
    m[0x17] = Ops("movhps", Fm::Xmm, Fm::Xmm, S::Qword, kSpaced | kStore);
    m[0x18] = Group(2);
    m[0x20] = Ops("mov", Fm::Control, Fm::General32, S::Dword, kStore | kRegOnly);
    m[0x21] = Ops("mov", Fm::Debug, Fm::General32, S::Dword, kStore | kRegOnly);
    m[0x22] = Ops("mov", Fm::Control, Fm::General32, S::Dword, kRegOnly);
    m[0x23] = Ops("mov", Fm::Debug, Fm::General32, S::Dword, kRegOnly);
    m[0x28] = Ops(kRow28[0], Fm::Xmm, Fm::Xmm, S::DQword, kSpaced);
    m[0x29] = Ops(kRow28[1], Fm::Xmm, Fm::Xmm, S::DQword, kSpaced | kStore);
    m[0x2A] = Ops(kRow28[2], Fm::Xmm, Fm::Mmx, S::Qword, kSpaced);
    m[0x2C] = Ops(kRow28[4], Fm::Mmx, Fm::Xmm, S::Qword, kSpaced);
    m[0x2D] = Ops(kRow28[5], Fm::Mmx, Fm::Xmm, S::Qword, kSpaced);
    m[0x2E] = Ops(kRow28[6], Fm::Xmm, Fm::Xmm, S::Dword);
    m[0x2F] = Ops(kRow28[7], Fm::Xmm, Fm::Xmm, S::Dword);
    for (unsigned i = 0; i < 16; ++i) m[0x40 + i] = Ops(kRow40[i], Fm::General, Fm::General, S::Dword);
    m[0x50] = Ops("movmskps", Fm::General32, Fm::Xmm, S::Dword, kRegOnly);
    for (unsigned i = 1; i < 16; ++i) {
        if (kRow50Packed[i] != kNone) m[0x50 + i] = Ops(kRow50Packed[i], Fm::Xmm, Fm::Xmm, S::DQword);
    }
    MmxRow(m, 0x60, kRow60, 16);
    m[0x6E] = Ops("movd", Fm::Mmx, Fm::General32, S::Dword);
    m[0x70] = Ops(kRow70[0], Fm::Mmx, Fm::Mmx, S::Qword, kImm8);
    m[0x71] = {F::ShiftImm, "w"};
    m[0x72] = {F::ShiftImm, "d"};
    MmxRow(m, 0x74, kRow70 + 4, 3);
    m[0x7E] = Ops("movd", Fm::Mmx, Fm::General32, S::Dword, kStore);
    m[0x7F] = Ops("movq", Fm::Mmx, Fm::Mmx, S::Qword, kStore);
    for (unsigned i = 0; i < 16; ++i) m[0x80 + i] = {F::NearJcc, kNearJumpNames[i]};
    for (unsigned i = 0; i < 16; ++i) m[0x90 + i] = {F::OneOperand, kRow90[i], Fm::General8, Fm::General8, S::Byte};
    m[0xA3] = Ops(kRowA0[3], Fm::General, Fm::General, S::Dword, kStore);
    m[0xA4] = Ops(kRowA0[4], Fm::General, Fm::General, S::Dword, kStore | kImm8);
    m[0xA5] = Ops(kRowA0[5], Fm::General, Fm::General, S::Dword, kStore | kCountCl);
    m[0xAB] = Ops(kRowA0[11], Fm::General, Fm::General, S::Dword, kStore);
    m[0xAC] = Ops(kRowA0[12], Fm::General, Fm::General, S::Dword, kStore | kImm8);
    m[0xAD] = Ops(kRowA0[13], Fm::General, Fm::General, S::Dword, kStore | kCountCl);
    m[0xAE] = Group(3);
    m[0xAF] = Ops(kRowA0[15], Fm::General, Fm::General, S::Dword);
    m[0xB0] = Ops(kRowB0[0], Fm::General8, Fm::General8, S::Byte, kStore);
    m[0xB1] = Ops(kRowB0[1], Fm::General, Fm::General, S::Dword, kStore);
    m[0xB2] = Ops(kRowB0[2], Fm::General, Fm::General, S::Fword);
    m[0xB3] = Ops(kRowB0[3], Fm::General, Fm::General, S::Dword, kStore);
    m[0xB4] = Ops(kRowB0[4], Fm::General, Fm::General, S::Fword);
    m[0xB5] = Ops(kRowB0[5], Fm::General, Fm::General, S::Fword);
    m[0xB6] = Ops(kRowB0[6], Fm::General, Fm::General8, S::Byte);
    m[0xB7] = Ops(kRowB0[7], Fm::General, Fm::General16, kW);
    m[0xBA] = {F::BitTestImm};
    m[0xBB] = Ops(kRowB0[11], Fm::General, Fm::General, S::Dword, kStore);
    m[0xBC] = Ops(kRowB0[12], Fm::General, Fm::General, S::Dword);
    m[0xBD] = Ops(kRowB0[13], Fm::General, Fm::General, S::Dword);
    m[0xBE] = Ops(kRowB0[14], Fm::General, Fm::General8, S::Byte);
    m[0xBF] = Ops(kRowB0[15], Fm::General, Fm::General16, kW);
    m[0xC0] = Ops("xadd", Fm::General8, Fm::General8, S::Byte, kStore);
    m[0xC1] = Ops("xadd", Fm::General, Fm::General, S::Dword, kStore);
    m[0xC2] = {F::Compare, "cmpps", Fm::Xmm, Fm::Xmm, S::DQword};
    m[0xC4] = Ops("pinsrw", Fm::Mmx, Fm::General32, kW, kImm8);
    m[0xC5] = Ops("pextrw", Fm::General32, Fm::Mmx, S::Qword, kImm8);
    m[0xC6] = Ops("shufps", Fm::Xmm, Fm::Xmm, S::DQword, kImm8);
    m[0xC7] = {F::Cmpxchg8b, "cmpxchg8b", Fm::General, Fm::General, S::Qword};
    for (unsigned i = 0; i < 8; ++i) m[0xC8 + i] = {F::Bswap, "bswap"};
    MmxRow(m, 0xD0, kRowD0, 16);
    m[0xD7] = Ops(kRowD0[7], Fm::General32, Fm::Mmx, S::Qword);
    MmxRow(m, 0xE0, kRowE0, 16);
    m[0xE7] = Ops(kRowE0[7], Fm::Mmx, Fm::Mmx, S::Qword, kStore);
    MmxRow(m, 0xF0, kRowF0, 16);
    return m;
}

std::array<TwoByteEntry, 256> BuildScalar() {
    std::array<TwoByteEntry, 256> m{};
    m[0x10] = Ops("movss", Fm::Xmm, Fm::Xmm, S::Dword, kSpaced);
    m[0x11] = Ops("movss", Fm::Xmm, Fm::Xmm, S::Dword, kSpaced | kStore);
    m[0x2A] = Ops("cvtsi2ss", Fm::Xmm, Fm::General32, S::Dword, kSpaced);
    m[0x2C] = Ops("cvttss2si", Fm::General32, Fm::Xmm, S::Dword, kSpaced);
    m[0x2D] = Ops("cvtss2si", Fm::General32, Fm::Xmm, S::Dword, kSpaced);
    for (unsigned b : {0x51u, 0x52u, 0x53u, 0x58u, 0x59u, 0x5Cu, 0x5Du, 0x5Eu, 0x5Fu}) {
        m[b] = Ops(kRow50Scalar[b - 0x50], Fm::Xmm, Fm::Xmm, S::Dword);
    }
    m[0xC2] = {F::Compare, "cmpss", Fm::Xmm, Fm::Xmm, S::Dword};
    return m;
}
}  // namespace

const std::array<TwoByteEntry, 256> kTwoByteMap = BuildPacked();
const std::array<TwoByteEntry, 256> kScalarMap = BuildScalar();

const TwoByteGroup kTwoByteGroups[4] = {
    // 0F 00
    {{"sldt", "str", "lldt", "ltr", "verr", "verw", kNone, kNone}, {kW, kW, kW, kW, kW, kW, kW, kW}, 0x3F, {}},
    // 0F 01
    {{"sgdt", "sidt", "lgdt", "lidt", "smsw", kNone, "lmsw", "invlpg"},
     {S::Fword, S::Fword, S::Fword, S::Fword, kW, kW, kW, S::Byte},
     (1 << 4) | (1 << 6),
     {}},
    // 0F 18
    {{"prefetchnta", "prefetcht0", "prefetcht1", "prefetcht2", kNone, kNone, kNone, kNone},
     {S::Qword, S::Qword, S::Qword, S::Qword, S::Qword, S::Qword, S::Qword, S::Qword},
     0,
     {}},
    // 0F AE
    {{"fxsave", "fxrstor", "ldmxcsr", "stmxcsr", kNone, kNone, kNone, kNone},
     {S::Save512, S::Save512, S::Dword, S::Dword, S::Dword, S::Dword, S::Dword, S::Dword},
     0,
     {nullptr, nullptr, nullptr, nullptr, nullptr, "lfence", "mfence", "sfence"}},
};

}  // namespace qv::disasm
