#include <gtest/gtest.h>

#include "tests/unit/disasm/DecodeHelpers.h"

namespace qv::test {
namespace {

TEST(X87Map, RegisterAndMemoryForms) {
    const Case cases[] = {
        {{0xD9, 0xE8}, "fld1", "", 2, 0},
        {{0xD9, 0xC9}, "fxch st(1)", "", 2, 0},
        {{0xD9, 0xC0}, "fld st(0)", "", 2, 0},
        {{0xD9, 0xD0}, "fnop", "", 2, 0},
        {{0xD9, 0xFE}, "fsin", "", 2, 0},
        {{0xD9, 0xE0}, "fchs", "", 2, 0},
        {{0xDC, 0xE9}, "fsub st(1),st", "", 2, 0},
        {{0xDC, 0xE1}, "fsubr st(1),st", "", 2, 0},
        {{0xDC, 0xF9}, "fdiv st(1),st", "", 2, 0},
        {{0xD8, 0xE9}, "fsubr st,st(1)", "", 2, 0},
        {{0xD8, 0xD9}, "fcomp st(1)", "", 2, 0},
        {{0xD8, 0xC1}, "fadd st,st(1)", "", 2, 0},
        {{0xDE, 0xD9}, "fcompp", "", 2, 0},
        {{0xDE, 0xE9}, "fsubp st(1),st", "", 2, 0},
        {{0xDE, 0xC1}, "faddp st(1),st", "", 2, 0},
        {{0xDE, 0xDA}, "ficomp st(2)", "", 2, 0},
        {{0xDF, 0xE0}, "fnstsw ax", "", 2, 0},
        {{0xDF, 0xE9}, "fucomip st,st(1)", "", 2, 0},
        {{0xDF, 0xC8}, "???", "Invalid Instruction", 2, 0},
        {{0xDD, 0xC8}, "???", "Invalid Instruction", 2, 0},
        {{0xDD, 0xD8}, "fstp st(0)", "", 2, 0},
        {{0xDD, 0xE1}, "fucom st(1)", "", 2, 0},
        {{0xDB, 0xE3}, "finit", "", 2, 0},
        {{0xDB, 0xE4}, "???", "Invalid Instruction", 2, 0},
        {{0xDB, 0xE9}, "fucomi st,st(1)", "", 2, 0},
        {{0xDA, 0xC1}, "fcmovb st,st(1)", "", 2, 0},
        {{0xDA, 0xE9}, "fucompp", "", 2, 0},
        {{0xDD, 0x45, 0xF8}, "fld Qword ptr SS:[ebp-08h]", "", 3, 0},
        {{0xDB, 0x28}, "fld TByte ptr DS:[eax]", "", 2, 0},
        {{0xD9, 0x7D, 0xFE}, "fstcw Word ptr SS:[ebp-02h]", "", 3, 0},
        {{0xD9, 0x30}, "fstenv (28)Byte ptr DS:[eax]", "", 2, 0},
        {{0xDD, 0x30}, "fsave (108)Byte ptr DS:[eax]", "", 2, 0},
        {{0xDF, 0x6C, 0x24, 0x08}, "fild Qword ptr SS:[esp+08h]", "", 4, 0},
        {{0xDE, 0x00}, "fiadd Word ptr DS:[eax]", "", 2, 0},
        {{0xD8, 0x05, 0x00, 0x30, 0x40, 0x00}, "fadd Dword ptr DS:[00403000]", "", 6, 0},
        {{0xD9, 0x08}, "??? Dword ptr DS:[eax]", "Invalid Instruction", 2, 0},
        {{0xDB, 0x20}, "??? TByte ptr DS:[eax]", "Invalid Instruction", 2, 0},
    };
    for (const Case& c : cases) {
        const Decoded d = DecodeAt(c.bytes);
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        EXPECT_EQ(d.text, c.text);
        EXPECT_EQ(d.comment, c.comment);
        EXPECT_EQ(d.length, c.length);
        EXPECT_EQ(d.prefixes, c.prefixes);
    }
}

}  // namespace
}  // namespace qv::test
