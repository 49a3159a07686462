#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "ui/console/CommandTable.h"
#include "ui/console/ConsoleArguments.h"

namespace qv::test {
namespace {

using console::MatchCommand;

constexpr const char* kListing = "<listing>";
constexpr const char* kNothing = "<nothing>";

struct MatchCase {
    std::string text;
    bool tracing;
    std::string expected;  // a keyword, kListing or kNothing
    std::string argument;
};

TEST(CommandMatchingTest, RowsAreTriedInOrderWithTheirOwnCaseAndBlankRules) {
    const MatchCase cases[] = {
        {"$TESTON$", false, "$teston$", ""},
        {"$TestOff$", true, "$testoff$", ""},
        {" $teston$", true, kListing, "$teston$"},
        {" $teston$", false, kNothing, ""},
        {"$debugon$", false, kNothing, ""},
        {"$DEBUGON$", true, "$debugon$", ""},
        {"$asynmsgoff$ ", true, kListing, "$asynmsgoff$"},
        {"$ListBT$", true, "$listbt$", ""},
        {"  $enablebt$ 3 ", true, "$enablebt$", "3"},
        {"$ENABLEBT$ 3", true, kListing, "$ENABLEBT$ 3"},
        {"$disablebt$7", true, "$disablebt$", "7"},
        {"$addbt$ ORACLE.EXE!kslget*2", true, "$addbt$", "ORACLE.EXE!kslget*2"},
        {"$addbt$xkslget", true, "$addbt$", "kslget"},
        {"$addbt$", true, "$addbt$", ""},
        {"$deletebt$ 0", true, "$deletebt$", "0"},
        {" $procinfo$ ", true, "$procinfo$", ""},
        {"$IAT$", true, "$iat$", ""},
        {"$importtable$", true, "$importtable$", ""},
        {"$Et$", true, "$et$", ""},
        {"$exporttable$", true, "$exporttable$", ""},
        {"$resource$", true, "$resource$", ""},
        {"$debugdir$", true, "$debugdir$", ""},
        {"$reloc$", true, "$reloc$", ""},
        {"$dumpresource$", true, "$dumpresource$", ""},
        {"$debuginfo$", true, "$debuginfo$", ""},
        {"$procinfo$ x", true, kListing, "$procinfo$ x"},
        {"$peek$ 403000 4", true, "$peek$", "403000 4"},
        {"$PEEK$ 403000", true, kListing, "$PEEK$ 403000"},
        {"$poke$ 403000 41", true, "$poke$", "403000 41"},
        {"$locate$ kslget", true, "$locate$", "kslget"},
        {"$peek$$poke$", true, "$peek$", "$poke$"},
        {"x$peek$ 1", true, kListing, "x$peek$ 1"},
        {"", true, kListing, ""},
        {"", false, kNothing, ""},
        {"ORACLE.EXE!kslget", true, kListing, "ORACLE.EXE!kslget"},
    };
    for (const MatchCase& c : cases) {
        const auto match = MatchCommand(c.text, c.tracing);
        const std::string found = !match ? kNothing : match->row ? std::string(match->row->keyword) : kListing;
        EXPECT_EQ(found, c.expected) << '"' << c.text << '"';
        if (match) {
            EXPECT_EQ(match->argument, c.argument) << c.text;
        }
    }
}

TEST(ConsoleArgumentsTest, PeekReadsAddressSizeAndIndirection) {
    struct PeekCase {
        std::string argument;
        std::optional<uint64_t> address;
        int32_t size;
        int32_t depth;
    };
    const PeekCase cases[] = {
        {"403000", 0x403000, 0, 0},
        {"0x403000", 0x403000, 0, 0},
        {"403000 4", 0x403000, 4, 0},
        {"403000   4 * 0 ", 0x403000, 4, 1},
        {"403000 8*3", 0x403000, 8, 3},
        {"403000 -5", 0x403000, 0, 0},
        {"403000 *3", 0x403000, 0, 0},
        {"403000 x", 0x403000, 0, 0},
        {"140001000 2", 0x140001000, 2, 0},
        {"0", std::nullopt, 0, 0},
        {"0x", std::nullopt, 0, 0},
        {"40300g", std::nullopt, 0, 0},
        {"-403000", std::nullopt, 0, 0},
        {"11112222333344445", std::nullopt, 0, 0},
        {"", std::nullopt, 0, 0},
    };
    for (const PeekCase& c : cases) {
        const auto request = console::ParsePeek(c.argument);
        ASSERT_EQ(request.has_value(), c.address.has_value()) << c.argument;
        if (!request) continue;
        EXPECT_EQ(request->address, *c.address) << c.argument;
        EXPECT_EQ(request->size, c.size) << c.argument;
        EXPECT_EQ(request->depth, c.depth) << c.argument;
    }
}

TEST(ConsoleArgumentsTest, PokeTakesPairsOfHexDigitsOnly) {
    const auto odd = console::ParsePoke("403000  41a2f ");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->address, 0x403000u);
    EXPECT_EQ(odd->bytes, (std::vector<uint8_t>{0x41, 0xA2}));
    EXPECT_EQ(odd->typed, "41a2f");
    for (const char* refused : {"403000", "403000 4", "0 90", "zz 90", "403000 9z", "403000 0x90", "403000 90 91"}) {
        EXPECT_FALSE(console::ParsePoke(refused)) << refused;
    }
}

TEST(ConsoleArgumentsTest, ABangAfterTheFirstCharacterSplitsOffTheModule) {
    const std::pair<std::string, console::QualifiedName> cases[] = {
        {"kslget", {"ORACLE.EXE", "kslget"}},
        {"KERNEL32.DLL!Sleep", {"KERNEL32.DLL", "Sleep"}},
        {"!kslget", {"ORACLE.EXE", "!kslget"}},
        {"a!b!c", {"a", "b!c"}},
        {"", {"ORACLE.EXE", ""}},
    };
    for (const auto& [text, expected] : cases) {
        const console::QualifiedName split = console::SplitModuleName(text);
        EXPECT_EQ(split.module, expected.module) << text;
        EXPECT_EQ(split.name, expected.name) << text;
    }
}

}  // namespace
}  // namespace qv::test
