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
        EXPECT_EQ(d.endOffset, c.length + c.prefixes - 1);
    }
}

TEST(OneByteMap, ArithmeticAndMoveForms) {
    CheckTable({
        {{0x05, 0x78, 0x56, 0x34, 0x12}, "add eax, 12345678", "", 5, 0},
        {{0x66, 0x05, 0x34, 0x12}, "add ax, 1234", "", 3, 1},
        {{0x3C, 0x7F}, "cmp al, 7F", "", 2, 0},
        {{0x01, 0xC8}, "add eax, ecx", "", 2, 0},
        {{0x03, 0xC8}, "add ecx, eax", "", 2, 0},
        {{0x00, 0x08}, "add byte ptr DS:[eax],cl", "", 2, 0},
        {{0x8B, 0x45, 0xF8}, "mov eax,Dword ptr SS:[ebp-08h]", "", 3, 0},
        {{0x64, 0x8B, 0x45, 0xF8}, "mov eax,Dword ptr FS:[ebp-08h]", "", 3, 1},
        {{0x66, 0x89, 0x08}, "mov Word ptr DS:[eax],cx", "", 2, 1},
        {{0x8A, 0x4D, 0x7F}, "mov cl,byte ptr SS:[ebp+7Fh]", "", 3, 0},
        {{0x8B, 0x0D, 0x00, 0x30, 0x40, 0x00}, "mov ecx,Dword ptr DS:[00403000]", "", 6, 0},
        {{0x8B, 0x81, 0x10, 0x00, 0x00, 0x00}, "mov eax,Dword ptr DS:[ecx+00000010]", "", 6, 0},
        {{0x8B, 0x85, 0xF0, 0xFF, 0xFF, 0xFF}, "mov eax,Dword ptr SS:[ebp+FFFFFFF0]", "", 6, 0},
        {{0x84, 0xC0}, "test al, al", "", 2, 0},
        {{0x87, 0x03}, "xchg eax,Dword ptr DS:[ebx]", "", 2, 0},
        {{0x91}, "xchg eax, ecx", "", 1, 0},
        {{0x66, 0x93}, "xchg ax, bx", "", 1, 1},
        {{0xB0, 0x41}, "mov al, 41", "", 2, 0},
        {{0xBE, 0x00, 0x10, 0x40, 0x00}, "mov esi, 00401000", "", 5, 0},
        {{0x66, 0xBE, 0x34, 0x12}, "mov si, 1234", "", 3, 1},
        {{0x48}, "dec eax", "", 1, 0},
        {{0x66, 0x40}, "inc ax", "", 1, 1},
        {{0x55}, "push ebp", "", 1, 0},
        {{0x5F}, "pop edi", "", 1, 0},
        {{0x8D, 0x44, 0x24, 0x08}, "lea eax,Dword ptr SS:[esp+08h]", "", 4, 0},
        {{0x8D, 0xC1}, "lea eax, ecx", "Illegal Instruction", 2, 0},
        {{0x62, 0x01}, "bound eax,Qword ptr DS:[ecx]", "", 2, 0},
        {{0x66, 0x62, 0x01}, "bound ax,Dword ptr DS:[ecx]", "", 2, 1},
        {{0xC4, 0x01}, "les eax,Fword ptr DS:[ecx]", "", 2, 0},
        {{0xC5, 0x01}, "lds eax,Fword ptr DS:[ecx]", "", 2, 0},
        {{0x63, 0xC8}, "arpl ax, cx", "", 2, 0},
    });
}

TEST(OneByteMap, SibFormsAndSegmentDefaults) {
    CheckTable({
        {{0x8B, 0x04, 0x24}, "mov eax,Dword ptr SS:[esp]", "", 3, 0},
        {{0x8B, 0x04, 0xB5, 0x00, 0x30, 0x40, 0x00}, "mov eax,Dword ptr DS:[esi*4+00403000]", "", 7, 0},
        {{0x8B, 0x04, 0x25, 0x00, 0x30, 0x40, 0x00}, "mov eax,Dword ptr DS:[00403000]", "", 7, 0},
        {{0x8B, 0x04, 0x30}, "mov eax,Dword ptr DS:[esi+eax]", "", 3, 0},
        {{0x8B, 0x04, 0x8B}, "mov eax,Dword ptr DS:[ecx*4+ebx]", "", 3, 0},
        {{0x8B, 0x44, 0x8D, 0xFC}, "mov eax,Dword ptr SS:[ecx*4+ebp-04h]", "", 4, 0},
        {{0x8B, 0x44, 0x24, 0x10}, "mov eax,Dword ptr SS:[esp+10h]", "", 4, 0},
        {{0x8B, 0x84, 0xC3, 0x00, 0x01, 0x00, 0x00}, "mov eax,Dword ptr DS:[eax*8+ebx+00000100h]", "", 7, 0},
        {{0x8B, 0x84, 0x24, 0x00, 0x01, 0x00, 0x00}, "mov eax,Dword ptr SS:[esp+00000100h]", "", 7, 0},
        {{0x2E, 0x8B, 0x04, 0x24}, "mov eax,Dword ptr CS:[esp]", "", 3, 1},
        {{0x8B, 0x45, 0x80}, "mov eax,Dword ptr SS:[ebp-80h]", "", 3, 0},
        {{0x8B, 0x40, 0x08}, "mov eax,Dword ptr DS:[eax+08h]", "", 3, 0},
    });
}

TEST(OneByteMap, SixteenBitAddressing) {
    CheckTable({
        {{0x67, 0x8B, 0x00}, "mov eax,Dword ptr DS:[BX+SI]", "", 2, 1},
        {{0x67, 0x8B, 0x02}, "mov eax,Dword ptr SS:[BP+SI]", "", 2, 1},
        {{0x67, 0x8B, 0x06, 0x34, 0x12}, "mov eax,Dword ptr DS:[1234]", "", 4, 1},
        {{0x67, 0x8B, 0x46, 0xFE}, "mov eax,Dword ptr SS:[BP-02]", "", 3, 1},
        {{0x67, 0x8B, 0x87, 0x34, 0x12}, "mov eax,Dword ptr DS:[BX+1234]", "", 4, 1},
        {{0x26, 0x67, 0x8B, 0x46, 0x02}, "mov eax,Dword ptr ES:[BP+02]", "", 3, 2},
        {{0x67, 0xA1, 0x34, 0x12}, "mov eax, Dword ptr DS:[1234]", "", 3, 1},
    });
}

TEST(OneByteMap, SignShownImmediates) {
    CheckTable({
        {{0x83, 0xC4, 0xF8}, "add esp, -08", "", 3, 0},
        {{0x83, 0xC4, 0x08}, "add esp, 08", "", 3, 0},
        {{0x83, 0x45, 0xF8, 0xF8}, "add Dword ptr SS:[ebp-08h],-08h", "", 4, 0},
        {{0x83, 0x7C, 0x24, 0x04, 0xFF}, "cmp Dword ptr SS:[esp+04h],-01", "", 5, 0},
        {{0x80, 0xF9, 0xFF}, "cmp cl, -01", "", 3, 0},
        {{0x80, 0x38, 0xFF}, "cmp byte ptr DS:[eax],FFh", "", 3, 0},
        {{0x82, 0x38, 0xFF}, "cmp byte ptr DS:[eax],-01h", "", 3, 0},
        {{0x81, 0xEC, 0x00, 0x01, 0x00, 0x00}, "sub esp, 00000100", "", 6, 0},
        {{0x66, 0x81, 0x38, 0x4D, 0x5A}, "cmp Word ptr DS:[eax],5A4D", "", 4, 1},
        {{0x6A, 0xFF}, "push -01", "", 2, 0},
        {{0x6A, 0x10}, "push 10", "", 2, 0},
        {{0x68, 0x00, 0x30, 0x40, 0x00}, "push 00403000", "", 5, 0},
        {{0x66, 0x68, 0x34, 0x12}, "push 1234", "", 3, 1},
        {{0x6B, 0xC0, 0xF4}, "imul eax,eax,-0C", "", 3, 0},
        {{0x6B, 0x45, 0x08, 0x0C}, "imul eax,Dword ptr SS:[ebp+08h],0Ch", "", 4, 0},
        {{0x69, 0xC0, 0x10, 0x27, 0x00, 0x00}, "imul eax, eax, 00002710", "", 6, 0},
        {{0xC6, 0x00, 0x41}, "mov byte ptr DS:[eax],41h", "", 3, 0},
        {{0xC6, 0x04, 0x24, 0x41}, "mov byte ptr SS:[esp],41", "", 4, 0},
        {{0xC6, 0xC1, 0x41}, "mov cl, 41", "", 3, 0},
        {{0xC6, 0xC8, 0x41}, "???", "Invalid Instruction", 3, 0},
        {{0xC6, 0x08, 0x41}, "mov byte ptr DS:[eax],41h", "Invalid Instruction", 3, 0},
        {{0xC6, 0x0C, 0x24, 0x41}, "mov byte ptr SS:[esp],41", "Invalid Instruction!", 4, 0},
        {{0xC7, 0x45, 0xFC, 0x00, 0x00, 0x00, 0x00}, "mov Dword ptr SS:[ebp-04h],00000000", "", 7, 0},
        {{0xC7, 0x48, 0x04, 0x01, 0x00, 0x00, 0x00}, "mov Dword ptr DS:[eax+04h],00000001", "Invalid Instruction", 7, 0},
    });
}

TEST(OneByteMap, RelativeTargets) {
    CheckTable({
        {{0xEB, 0xFE}, "jmp 00401000", "", 2, 0, 0x00401000},
        {{0x74, 0x10}, "jz 00401012", "", 2, 0, 0x00401000},
        {{0x7A, 0x00}, "jp 00401002", "", 2, 0, 0x00401000},
        {{0xE8, 0x00, 0x00, 0x00, 0x00}, "call 00401005", "", 5, 0, 0x00401000},
        {{0xE9, 0xFB, 0xFF, 0xFF, 0xFF}, "jmp 00401000", "", 5, 0, 0x00401000},
        {{0xE8, 0x00, 0x00, 0x00, 0x80}, "call 80401005", "", 5, 0, 0x00401000},
        {{0x66, 0xE8, 0x10, 0x00}, "call 00001014", "", 3, 1, 0x00401000},
        {{0xE2, 0xFE}, "loop 00401000", "", 2, 0, 0x00401000},
        {{0xE3, 0x00}, "jecxz 00401002", "", 2, 0, 0x00401000},
        {{0x67, 0xE3, 0x00}, "jcxz 00401003", "", 2, 1, 0x00401000},
        {{0x3E, 0x74, 0x00}, "jz 00401003", "", 2, 1, 0x00401000},
        {{0xEB, 0x00}, "jmp 00000001", "", 2, 0, 0xFFFFFFFF},
    });
}

TEST(OneByteMap, StringInstructionsAndRepeatPrefixes) {
    CheckTable({
        {{0xF3, 0xA5}, "rep movs", "Dword ptr ES:[edi], Dword ptr DS:[esi]", 1, 1},
        {{0xA4}, "movs", "Byte ptr ES:[edi], Byte ptr DS:[esi]", 1, 0},
        {{0x66, 0xF3, 0xA5}, "rep movs", "Word ptr ES:[edi], Word ptr DS:[esi]", 1, 2},
        {{0x2E, 0xA5}, "movs", "Dword ptr ES:[edi], Dword ptr CS:[esi]", 1, 1},
        {{0x67, 0xA5}, "movs", "Dword ptr ES:[di], Dword ptr DS:[si]", 1, 1},
        {{0xF3, 0xA6}, "repe cmps", "Byte ptr ES:[edi], Byte ptr DS:[esi]", 1, 1},
        {{0xF2, 0xA6}, "repne cmps", "Byte ptr ES:[edi], Byte ptr DS:[esi]", 1, 1},
        {{0xA7}, "cmps", "Dword ptr DS:[esi], Dword ptr ES:[edi]", 1, 0},
        {{0xF3, 0xAB}, "rep stos", "Dword ptr ES:[edi]", 1, 1},
        {{0xAC}, "lods", "Byte ptr DS:[esi]", 1, 0},
        {{0xF3, 0xAC}, "rep lods", "Byte ptr DS:[esi]", 1, 1},
        {{0xF2, 0xAE}, "repne scas", "Byte ptr ES:[edi]", 1, 1},
        {{0xF3, 0xAF}, "repe scas", "Dword ptr ES:[edi]", 1, 1},
        {{0x6C}, "insb", "Byte ptr ES:[edi], DX", 1, 0},
        {{0x66, 0x6D}, "insw", "Word ptr ES:[edi], DX", 1, 1},
        {{0x6F}, "outsd", "DX, Dword ptr DS:[esi]", 1, 0},
        {{0xF0, 0xF3, 0xA5}, "lock rep movs", "Dword ptr ES:[edi], Dword ptr DS:[esi]", 1, 2},
        {{0xD7}, "xlat", "Byte ptr DS:[ebx+al]", 1, 0},
        {{0x64, 0x67, 0xD7}, "xlat", "Byte ptr FS:[bx+al]", 1, 2},
    });
}

TEST(OneByteMap, FixedTextsAndRemarks) {
    CheckTable({
        {{0x06}, "push es", "Push ES register to the stack", 1, 0},
        {{0x1F}, "pop ds", "Pop top stack to DS", 1, 0},
        {{0x60}, "pushad", "", 1, 0},
        {{0x66, 0x61}, "popaw", "", 1, 1},
        {{0x98}, "cwde", "", 1, 0},
        {{0x66, 0x99}, "cwd", "", 1, 1},
        {{0x66, 0x9C}, "pushfw", "", 1, 1},
        {{0xC3}, "ret", "Pop IP", 1, 0},
        {{0xC2, 0x08, 0x00}, "ret 0008", "", 3, 0},
        {{0xC2, 0x00, 0xB0}, "ret 0B000", "", 3, 0},
        {{0xF0, 0xCA, 0x04, 0x00}, "lock retf 0004", "<Illegal Lock Prefix>", 3, 1},
        {{0xC8, 0x10, 0x00, 0x01}, "enter 0010, 01", "", 4, 0},
        {{0xCD, 0x2E}, "int 2E", "", 2, 0},
        {{0xD4, 0x0A}, "aam 0A", "", 2, 0},
        {{0x66, 0xCF}, "iretw", "", 1, 1},
        {{0x9A, 0x78, 0x56, 0x34, 0x12, 0x1B, 0x00}, "call 001B:12345678", "Far call", 7, 0},
        {{0x66, 0xEA, 0x34, 0x12, 0x08, 0x00}, "jmp 0008:1234", "Far jmp", 5, 1},
        {{0xE4, 0x60}, "in al, 60", "I/O Instruction", 2, 0},
        {{0xE7, 0x80}, "out 80, eax", "I/O Instruction", 2, 0},
        {{0x66, 0xED}, "in ax, dx", "I/O Instruction", 1, 1},
        {{0xEE}, "out dx, al", "I/O Instruction", 1, 0},
        {{0xF1}, "int1", "(icebp)", 1, 0},
        {{0xF4}, "hlt", "Halts CPU until RESET", 1, 0},
        {{0xFA}, "cli", "Set Interrupt flag to 0", 1, 0},
        {{0xA0, 0x00, 0x30, 0x40, 0x00}, "mov al, Byte ptr DS:[00403000]", "", 5, 0},
        {{0x64, 0xA1, 0x18, 0x00, 0x00, 0x00}, "mov eax, Dword ptr FS:[00000018]", "", 5, 1},
        {{0xA2, 0x00, 0x30, 0x40, 0x00}, "mov Byte ptr DS:[00403000], al", "", 5, 0},
        {{0x66, 0xA3, 0x00, 0x30, 0x40, 0x00}, "mov Word ptr DS:[00403000], ax", "", 5, 1},
        {{0xA8, 0x01}, "test al, 01", "", 2, 0},
    });
}

TEST(OneByteMap, Groups) {
    CheckTable({
        {{0xFF, 0x15, 0x00, 0x30, 0x40, 0x00}, "call Dword ptr DS:[00403000]", "", 6, 0},
        {{0xFF, 0x1D, 0x00, 0x30, 0x40, 0x00}, "call far Fword ptr DS:[00403000]", "Far Call", 6, 0},
        {{0xFF, 0x2D, 0x00, 0x30, 0x40, 0x00}, "jmp far Fword ptr DS:[00403000]", "Far Jump", 6, 0},
        {{0xFF, 0xE0}, "jmp eax", "", 2, 0},
        {{0xFF, 0x75, 0x08}, "push Dword ptr SS:[ebp+08h]", "", 3, 0},
        {{0xFF, 0xF8}, "??? eax", "Illegal Instruction", 2, 0},
        {{0xFF, 0x38}, "??? Dword ptr DS:[eax]", "Invalid Instruction", 2, 0},
        {{0xFE, 0xC0}, "inc al", "", 2, 0},
        {{0xFE, 0xD0}, "??? al", "Illegal Instruction", 2, 0},
        {{0xFE, 0x10}, "??? Byte ptr DS:[eax]", "Invalid Instruction", 2, 0},
        {{0xD1, 0xE0}, "shl eax, 1", "", 2, 0},
        {{0xD3, 0x20}, "shl Dword ptr DS:[eax],cl", "", 2, 0},
        {{0xD2, 0xF8}, "sar al, cl", "", 2, 0},
        {{0xC1, 0xE8, 0x02}, "shr eax, 02", "", 3, 0},
        {{0xC0, 0x00, 0x03}, "rol Byte ptr DS:[eax],03", "", 3, 0},
        {{0xF7, 0xD8}, "neg eax", "", 2, 0},
        {{0xF7, 0xC1, 0x00, 0x01, 0x00, 0x00}, "test ecx,00000100", "", 6, 0},
        {{0x66, 0xF7, 0xC1, 0x00, 0x01}, "test cx,0100", "", 4, 1},
        {{0xF6, 0x40, 0x04, 0x01}, "test Byte ptr DS:[eax+04h],01", "", 4, 0},
        {{0xF7, 0x7D, 0xF8}, "idiv Dword ptr SS:[ebp-08h]", "", 3, 0},
        {{0x8F, 0x00}, "pop Dword ptr DS:[eax]", "", 2, 0},
        {{0x8F, 0x08}, "pop Dword ptr DS:[eax]", "Invalid Instruction", 2, 0},
    });
}

TEST(OneByteMap, SegmentRegisterMoves) {
    CheckTable({
        {{0x8C, 0xD8}, "mov eax, DS", "", 2, 0},
        {{0x8C, 0x18}, "mov Word ptr DS:[eax],DS", "", 2, 0},
        {{0x8C, 0x30}, "mov Word ptr DS:[eax],SEG?", ";Invalid Segment Usage", 2, 0},
        {{0x8C, 0xF0}, "mov eax, SEG ??", "Unknown Segment Used,", 2, 0},
        {{0x8E, 0xD8}, "mov DS, eax", "Segment Is Being Modified!", 2, 0},
        {{0x8E, 0x18}, "mov DS,Word ptr DS:[eax]", "", 2, 0},
        {{0x8E, 0xF0}, "mov SEG ??,eax", "Unknown Segment Used,", 2, 0},
    });
}

}  // namespace
}  // namespace qv::test
