#include <gtest/gtest.h>

#include "symbols/TracePointSyntax.h"

namespace qv {
namespace {

struct ParseCase {
    const char* text;
    const char* module;
    const char* body;
    int32_t offset;
    int32_t depth;
    ArgSpecMap args;
};

TEST(TracePointSpecTest, ParsesEveryPieceOfTheSyntax) {
    const ParseCase cases[] = {
        {"func", "ORACLE.EXE", "func", 0, 0, {}},
        {"ORACLE.EXE!func+16*5 (8,1*2)", "ORACLE.EXE", "func", 16, 5, {{0, {8, 0}}, {1, {1, 2}}}},
        {"7ffe1000 # an address", "ORACLE.EXE", "7ffe1000", 0, 0, {}},
        {"!func", "ORACLE.EXE", "func", 0, 0, {}},
        {"  kernel32.dll ! Sleep  ", "kernel32.dll", "Sleep", 0, 0, {}},
        {"func+16", "ORACLE.EXE", "func", 16, 0, {}},
        {"func+0", "ORACLE.EXE", "func", 0, 0, {}},
        {"func+-4", "ORACLE.EXE", "func", 0, 0, {}},
        {"func*-7", "ORACLE.EXE", "func", 0, -1, {}},
        {"func*-1", "ORACLE.EXE", "func", 0, -1, {}},
        // The depth is cut off first, so an offset written after it is part of the depth text.
        {"func*5+16", "ORACLE.EXE", "func", 0, 5, {}},
        {"func(8)", "ORACLE.EXE", "func(8)", 0, 0, {}},
        {"func (8*0)", "ORACLE.EXE", "func", 0, 0, {{0, {8, 1}}}},
        {"func (-3*-3)", "ORACLE.EXE", "func", 0, 0, {{0, {0, 1}}}},
        {"func (,5)", "ORACLE.EXE", "func", 0, 0, {{0, {0, 0}}}},
        {"func (8,)", "ORACLE.EXE", "func", 0, 0, {{0, {8, 0}}, {1, {0, 0}}}},
        {"func ( 4 , 2*1 , 16 )", "ORACLE.EXE", "func", 0, 0, {{0, {4, 0}}, {1, {2, 1}}, {2, {16, 0}}}},
        {"func (4", "ORACLE.EXE", "func", 0, 0, {{0, {4, 0}}}},
        {"func no list here", "ORACLE.EXE", "func", 0, 0, {}},
        {"func+8*3 (2)#(9)", "ORACLE.EXE", "func", 8, 3, {{0, {2, 0}}}},
        // A sign at position 0 is part of the name, not an offset or a depth.
        {"+5", "ORACLE.EXE", "+5", 0, 0, {}},
        {"*5", "ORACLE.EXE", "*5", 0, 0, {}},
        {"func+99999999999", "ORACLE.EXE", "func", 2147483647, 0, {}},
        {"func\t(4)", "ORACLE.EXE", "func", 0, 0, {{0, {4, 0}}}},
    };
    for (const ParseCase& c : cases) {
        const TracePointParse parse = ParseTracePointSpec(c.text);
        ASSERT_TRUE(parse.spec) << c.text;
        EXPECT_EQ(parse.spec->module, c.module) << c.text;
        EXPECT_EQ(parse.spec->body, c.body) << c.text;
        EXPECT_EQ(parse.spec->offset, c.offset) << c.text;
        EXPECT_EQ(parse.spec->stackDepth, c.depth) << c.text;
        EXPECT_EQ(parse.spec->args, c.args) << c.text;
    }
}

TEST(TracePointSpecTest, RefusesEmptyTextsAndEmptyBodies) {
    const std::pair<const char*, SpecRefusal> cases[] = {
        {"", SpecRefusal::EmptyText},
        {"   \r", SpecRefusal::EmptyText},
        {"# comment only", SpecRefusal::EmptyText},
        {"  #func", SpecRefusal::EmptyText},
        {"ORACLE.EXE!", SpecRefusal::EmptyBody},
        {"ORACLE.EXE!   # nothing", SpecRefusal::EmptyBody},
    };
    for (const auto& [text, refusal] : cases) {
        const TracePointParse parse = ParseTracePointSpec(text);
        EXPECT_FALSE(parse.spec) << text;
        EXPECT_EQ(parse.refusal, refusal) << text;
    }
}

TEST(TracePointSpecTest, HexBodiesAreSixtyFourBitAddresses) {
    const std::pair<const char*, std::optional<uint64_t>> cases[] = {
        {"401000", 0x401000},
        {"0x401000", 0x401000},
        {"0X7ffe1000", 0x7FFE1000},
        {"add", 0xADD},
        {"face", 0xFACE},
        {"7fffffff", 0x7FFFFFFF},
        {"80000000", 0x80000000},
        {"ffffffffffff", 0xFFFFFFFFFFFF},
        {"0x140001000", 0x140001000},
        {"ffffffffffffffff", UINT64_MAX},
        {"10000000000000000", std::nullopt},
        {"-10", static_cast<uint64_t>(-16)},
        {"0", std::nullopt},
        {"0x0", std::nullopt},
        {"0x", std::nullopt},
        {"kslget", std::nullopt},
        {"401000g", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [body, address] : cases) {
        EXPECT_EQ(ReadHexAddress(body), address) << body;
    }
}

TEST(TracePointSpecTest, DecimalsReadLikeAtol) {
    const std::pair<const char*, int32_t> cases[] = {
        {"16", 16},   {"  -4", -4}, {"+7x", 7}, {"x7", 0},
        {"", 0},      {"2147483647", 2147483647}, {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ReadDecimal(text), value) << text;
}

}  // namespace
}  // namespace qv
