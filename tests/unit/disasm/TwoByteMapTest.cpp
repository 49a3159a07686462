#include <gtest/gtest.h>

#include "tests/unit/disasm/DecodeHelpers.h"

namespace qv::test {
namespace {

void CheckTable(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const Decoded d = DecodeAt(c.bytes, 0, c.address);
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        EXPECT_EQ(d.text, c.text);
        EXPECT_EQ(d.comment, c.comment);
        EXPECT_EQ(d.length, c.length);
        EXPECT_EQ(d.prefixes, c.prefixes);
    }
}

TEST(TwoByteMap, PlainJumpsAndUndefined) {
    CheckTable({
        {{0x0F, 0x84, 0x10, 0x00, 0x00, 0x00}, "jz 00401016", "", 6, 0, 0x00401000},
        {{0x0F, 0x8A, 0x00, 0x00, 0x00, 0x00}, "jpe 00401006", "", 6, 0, 0x00401000},
        {{0x0F, 0x05}, "SysCall", "", 2, 0},
        {{0x0F, 0xA2}, "cpuid", "", 2, 0},
        {{0x0F, 0xA1}, "pop fs", "", 2, 0},
        {{0x0F, 0x31}, "rdtsc", "", 2, 0},
        {{0x0F, 0x0B}, "ud2", "", 2, 0},
        {{0x0F, 0xC8}, "bswap eax", "", 2, 0},
        {{0x0F, 0xCF}, "bswap edi", "", 2, 0},
        {{0x0F, 0x04}, "???", "Invalid Instruction", 2, 0},
        {{0x0F, 0x1F, 0x40, 0x00}, "???", "Invalid Instruction", 2, 0},
        {{0x0F, 0x73, 0xD0, 0x04}, "???", "Invalid Instruction", 2, 0},
        {{0x0F, 0x73, 0x00}, "???", "Invalid Instruction", 2, 0},
    });
}

TEST(TwoByteMap, RegisterOnlyForms) {
    CheckTable({
        {{0x0F, 0x20, 0xC0}, "mov eax,cr0", "", 3, 0},
        {{0x0F, 0x22, 0xD8}, "mov cr3,eax", "", 3, 0},
        {{0x0F, 0x21, 0xF9}, "mov ecx,dr7", "", 3, 0},
        {{0x0F, 0x20, 0x00}, "???", "Invalid Instruction", 2, 0},
        {{0x0F, 0x50, 0xC1}, "movmskps eax,xmm1", "", 3, 0},
        {{0x0F, 0x71, 0xD0, 0x04}, "psrlw mm0,04", "", 4, 0},
        {{0x0F, 0x72, 0xE1, 0x1F}, "psrad mm1,1F", "", 4, 0},
        {{0x0F, 0x72, 0xF2, 0x02}, "pslld mm2,02", "", 4, 0},
        {{0x0F, 0x71, 0xC0, 0x04}, "???", "Invalid Instruction", 4, 0},
        {{0x0F, 0xBA, 0xE0, 0x05}, "bt eax,05", "", 4, 0},
        {{0x0F, 0xBA, 0xE9, 0x1F}, "bts ecx,1F", "", 4, 0},
        {{0x0F, 0xBA, 0xC0, 0x05}, "???", "Invalid Instruction", 4, 0},
        {{0x0F, 0xBA, 0x20, 0x05}, "???", "Invalid Instruction", 2, 0},
        {{0x0F, 0xC7, 0x08}, "cmpxchg8b Qword ptr DS:[eax]", "", 3, 0},
        {{0x0F, 0xC7, 0xC8}, "???", "Invalid Instruction", 2, 0},
    });
}

TEST(TwoByteMap, IntegerOperandForms) {
    CheckTable({
        {{0x0F, 0xB6, 0xC1}, "movzx eax,cl", "", 3, 0},
        {{0x0F, 0xB7, 0x45, 0x08}, "movzx eax,Word ptr SS:[ebp+08]", "", 4, 0},
        {{0x0F, 0xBE, 0x04, 0x24}, "movsx eax,Byte ptr SS:[esp]", "", 4, 0},
        {{0x0F, 0x44, 0xC1}, "cmove eax,ecx", "", 3, 0},
        {{0x0F, 0x4F, 0x44, 0x8D, 0xFC}, "cmovg eax,Dword ptr SS:[ecx*4+ebp-04]", "", 5, 0},
        {{0x66, 0x0F, 0x45, 0x00}, "cmovne ax,Word ptr DS:[eax]", "", 3, 1},
        {{0x0F, 0x94, 0xC0}, "sete al", "", 3, 0},
        {{0x0F, 0x9F, 0x00}, "setg Byte ptr DS:[eax]", "", 3, 0},
        {{0x0F, 0xAF, 0xC1}, "imul eax,ecx", "", 3, 0},
        {{0x0F, 0xA3, 0xC8}, "bt eax,ecx", "", 3, 0},
        {{0x0F, 0xA4, 0xD0, 0x04}, "shld eax,edx,04", "", 4, 0},
        {{0x0F, 0xAD, 0xD0}, "shrd eax,edx,cl", "", 3, 0},
        {{0x0F, 0xBC, 0xC1}, "bsf eax,ecx", "", 3, 0},
        {{0xF0, 0x0F, 0xB1, 0x0A}, "lock cmpxchg Dword ptr DS:[edx],ecx", "", 3, 1},
        {{0x0F, 0xC0, 0xC8}, "xadd al,cl", "", 3, 0},
        {{0x0F, 0x02, 0xC1}, "lar eax, ecx", "", 3, 0},
        {{0x0F, 0xB2, 0x00}, "lss eax,Fword ptr DS:[eax]", "", 3, 0},
        {{0x0F, 0x00, 0xC0}, "sldt eax", "", 3, 0},
        {{0x0F, 0x00, 0x08}, "str Word ptr DS:[eax]", "", 3, 0},
        {{0x0F, 0x01, 0x10}, "lgdt Fword ptr DS:[eax]", "", 3, 0},
        {{0x0F, 0x01, 0xE0}, "smsw eax", "", 3, 0},
        {{0x0F, 0x01, 0x38}, "invlpg Byte ptr DS:[eax]", "", 3, 0},
        {{0x0F, 0x01, 0xD0}, "???", "Invalid Instruction", 3, 0},
        {{0x0F, 0x01, 0x28}, "???", "Invalid instruction", 3, 0},
    });
}

TEST(TwoByteMap, MmxAndSseForms) {
    CheckTable({
        {{0x0F, 0x58, 0xC1}, "addps xmm0,xmm1", "", 3, 0},
        {{0xF3, 0x0F, 0x58, 0xC1}, "addss xmm0,xmm1", "", 4, 0},
        {{0xF3, 0x0F, 0x10, 0x45, 0x08}, "movss xmm0,Dword ptr SS:[ebp+08]", "", 5, 0},
        {{0xF3, 0x0F, 0x11, 0xC8}, "movss xmm0, xmm1", "", 4, 0},
        {{0xF3, 0x0F, 0x2A, 0xC1}, "cvtsi2ss xmm0, ecx", "", 4, 0},
        {{0xF3, 0x0F, 0x2C, 0xC1}, "cvttss2si eax, xmm1", "", 4, 0},
        {{0x66, 0xF3, 0x0F, 0x51, 0xC1}, "sqrtss xmm0,xmm1", "", 4, 1},
        {{0x0F, 0x10, 0x00}, "movups xmm0,DQword ptr DS:[eax]", "", 3, 0},
        {{0x0F, 0x11, 0x08}, "movups DQword ptr DS:[eax],xmm1", "", 3, 0},
        {{0x0F, 0x28, 0xC1}, "movaps xmm0, xmm1", "", 3, 0},
        {{0x0F, 0x12, 0xC1}, "movhlps xmm0, xmm1", "", 3, 0},
        {{0x0F, 0x12, 0x00}, "movlps xmm0,Qword ptr DS:[eax]", "", 3, 0},
        {{0x0F, 0x17, 0x08}, "movhps Qword ptr DS:[eax],xmm1", "", 3, 0},
        {{0x0F, 0x2E, 0xC1}, "ucomiss xmm0,xmm1", "", 3, 0},
        {{0x0F, 0x57, 0xC0}, "xorps xmm0,xmm0", "", 3, 0},
        {{0x0F, 0xC2, 0xC1, 0x01}, "cmpltps xmm0,xmm1", "", 4, 0},
        {{0xF3, 0x0F, 0xC2, 0xC1, 0x06}, "cmpnless xmm0,xmm1", "", 5, 0},
        {{0x0F, 0xC2, 0xC1, 0x09}, "cmpps xmm0,xmm1,09", "", 4, 0},
        {{0x0F, 0xC6, 0xC1, 0x1B}, "shufps xmm0,xmm1,1B", "", 4, 0},
        {{0x0F, 0x6E, 0xC0}, "movd mm0,eax", "", 3, 0},
        {{0x0F, 0x7E, 0x00}, "movd Dword ptr DS:[eax],mm0", "", 3, 0},
        {{0x0F, 0x6F, 0x44, 0x24, 0x08}, "movq mm0,Qword ptr SS:[esp+08]", "", 5, 0},
        {{0x0F, 0x7F, 0xC8}, "movq mm0,mm1", "", 3, 0},
        {{0x0F, 0xEF, 0xC0}, "pxor mm0,mm0", "", 3, 0},
        {{0x0F, 0x70, 0xC1, 0x1B}, "pshufw mm0,mm1,1B", "", 4, 0},
        {{0x0F, 0xC4, 0xC1, 0x02}, "pinsrw mm0,ecx,02", "", 4, 0},
        {{0x0F, 0xC5, 0xC1, 0x02}, "pextrw eax,mm1,02", "", 4, 0},
        {{0x0F, 0xD7, 0xC1}, "pmovmskb eax,mm1", "", 3, 0},
        {{0x0F, 0x77}, "emms", "", 2, 0},
        {{0x0F, 0xAE, 0x00}, "fxsave (512)Byte ptr DS:[eax]", "", 3, 0},
        {{0x0F, 0xAE, 0x5D, 0xFC}, "stmxcsr Dword ptr SS:[ebp-04]", "", 4, 0},
        {{0x0F, 0xAE, 0xF0}, "mfence", "", 3, 0},
        {{0x0F, 0xAE, 0xC0}, "???", "Invalid Instruction", 3, 0},
        {{0x0F, 0x18, 0x08}, "prefetcht0 Qword ptr DS:[eax]", "", 3, 0},
        {{0x0F, 0x0D, 0x08}, "prefetchtW Qword ptr DS:[eax]", "", 3, 0},
        {{0x0F, 0x0D, 0xC1}, "prefetch ecx", "", 3, 0},
        {{0x0F, 0x0D, 0xD0}, "???", "Invalid Instruction", 3, 0},
        {{0xF2, 0x0F, 0x58, 0xC1}, "???", "Invalid Instruction", 4, 0},
    });
}

}  // namespace
}  // namespace qv::test
