#include <gtest/gtest.h>

#include <random>

#include "tests/unit/disasm/DecodeHelpers.h"

namespace qv::test {
namespace {

TEST(DisasmCore, ResetEmptiesTextsAndKeepsAddress) {
    DISASMLINE line;
    line.dwAddress = 0x1234;
    line.szText[0] = 'x';
    line.szComment[0] = 'y';
    line.nLength = 9;
    line.nPrefixes = 3;
    ResetDisasmLine(line);
    EXPECT_STREQ(line.szText, "");
    EXPECT_STREQ(line.szComment, "");
    EXPECT_EQ(line.nLength, 1);
    EXPECT_EQ(line.nPrefixes, 0);
    EXPECT_EQ(line.dwAddress, 0x1234u);
}

// A repeated prefix kind gives a one-byte error record; the walk continues
// at the byte after the first prefix of the run.
TEST(DisasmCore, PrefixErrorRecords) {
    struct Row {
        std::vector<uint8_t> bytes;
        const char* firstComment;
        const char* secondText;
        unsigned secondPrefixes;
    };
    const Row rows[] = {
        {{0x66, 0x66, 0x90}, "Prefix DataSize:", "nop", 1},
        {{0x67, 0x67, 0x90}, "Prefix AddrSize:", "nop", 1},
        {{0x2E, 0x3E, 0x8B, 0x00}, "Prefix CS:", "mov eax,Dword ptr DS:[eax]", 1},
        {{0xF0, 0xF0, 0x90}, "Prefix LOCK:", "lock nop", 1},
        {{0xF3, 0x90}, "Prefix REP:", "nop", 0},
        {{0xF3, 0x66, 0xA5}, "Prefix REP:", "movs", 1},
        {{0xF2, 0xF3, 0xA4}, "Prefix REP:", "rep movs", 1},
        {{0xF3, 0x0F, 0x54, 0xC1}, "Prefix REP:", "andps xmm0,xmm1", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.bytes));
        const std::vector<Decoded> all = DecodeAll(row.bytes);
        ASSERT_GE(all.size(), 2u);
        EXPECT_EQ(all[0].text, "");
        EXPECT_EQ(all[0].comment, row.firstComment);
        EXPECT_EQ(all[0].length + all[0].prefixes, 1u);
        EXPECT_EQ(all[0].endOffset, 0u);
        EXPECT_EQ(all[1].text, row.secondText);
        EXPECT_EQ(all[1].prefixes, row.secondPrefixes);
    }
}

TEST(DisasmCore, PrefixesCountTowardsSizeAndAddress) {
    const std::vector<uint8_t> bytes = {0x66, 0x67, 0x26, 0xF0, 0x01, 0x07, 0xEB, 0xFE};
    const std::vector<Decoded> all = DecodeAll(bytes, 0x1000);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].text, "lock add Word ptr ES:[BX],ax");
    EXPECT_EQ(all[0].prefixes, 4u);
    EXPECT_EQ(all[0].length, 2u);
    EXPECT_EQ(all[1].text, "jmp 00001006");
}

// Bytes past the end read as zero and the record covers only what is there.
TEST(DisasmCore, CutOffInstructionStaysInsideBuffer) {
    struct Row {
        std::vector<uint8_t> bytes;
        const char* text;
        unsigned total;
    };
    const Row rows[] = {
        {{0xE8, 0x10}, "call 00000015", 2},
        {{0x8B, 0x84}, "mov eax,Dword ptr DS:[eax*1+eax+00000000h]", 2},
        {{0x66}, "add byte ptr DS:[eax],al", 1},
        {{0x0F}, "add byte ptr DS:[eax],al", 1},
        {{0xF3, 0x0F, 0x58}, "addss xmm0,Dword ptr DS:[eax]", 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.bytes));
        const Decoded d = DecodeAt(row.bytes);
        EXPECT_EQ(d.length + d.prefixes, row.total);
        EXPECT_EQ(d.endOffset, row.total - 1);
        EXPECT_NE(d.comment.find("<Cut off at end of code>"), std::string::npos);
    }
    // An offset at or past the end still makes progress.
    const std::vector<uint8_t> one = {0x90};
    const Decoded past = DecodeAt(one, 5);
    EXPECT_EQ(past.length + past.prefixes, 1u);
    EXPECT_EQ(past.endOffset, 5u);
}

TEST(DisasmCore, WholeInstructionIsNotMarkedCutOff) {
    const Decoded d = DecodeAt({0xE8, 0x00, 0x00, 0x00, 0x00});
    EXPECT_EQ(d.comment, "");
}

// Every byte string decodes, covers at least one byte and never more than
// the buffer holds; texts stay terminated inside their fields.
TEST(DisasmCore, TotalOnRandomBytes) {
    std::mt19937 random(12345);
    std::vector<uint8_t> bytes(1 << 16);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    DISASMLINE line;
    line.dwAddress = 0;
    uint64_t covered = 0;
    for (uint32_t offset = 0; offset < bytes.size(); ++offset) {
        ResetDisasmLine(line);
        const uint32_t start = offset;
        DisassembleInstruction(line, ByteView(bytes.data(), bytes.size()), offset);
        const unsigned size = line.nLength + line.nPrefixes;
        ASSERT_GE(size, 1u);
        ASSERT_EQ(offset, start + size - 1);
        ASSERT_LT(offset, bytes.size());
        ASSERT_LT(std::char_traits<char>::length(line.szText), sizeof line.szText);
        covered += size;
    }
    EXPECT_EQ(covered, bytes.size());
}

}  // namespace
}  // namespace qv::test
