#include <gtest/gtest.h>

#include <random>

#include "symbols/SymbolFile.h"
#include "tests/unit/symbols/SymFileScan.h"
#include "tests/unit/symbols/SymFileWriter.h"

namespace qv {
namespace {

using testing::SymEntry;
using testing::WriteSymbolFile;

constexpr const char* kPath = "C:\\db\\BIN\\ORACLE.SYM";
constexpr uint32_t kLinkTime = 0x4A000000;

SymbolFileContext Context(uint64_t base = 0x400000, uint32_t imageSize = 0x10000) {
    SymbolFileContext context;
    context.path = kPath;
    context.moduleName = "ORACLE.EXE";
    context.moduleBase = base;
    context.imageSize = imageSize;
    context.imageTimeStamp = kLinkTime;
    return context;
}

std::shared_ptr<const SymbolTable> Parse(const std::vector<uint8_t>& bytes, bool hasTimeStamp = true) {
    return SymbolTable::Parse(ByteView(bytes.data(), bytes.size()), hasTimeStamp);
}

// Relative values (bits 28-31 = 1) follow the module; others are absolute.
const std::vector<SymEntry> kFunctions = {
    {0x10001000, "kslget"},
    {0x10001080, "kslfre"},
    {0x00401100, "ksmalc"},  // absolute, same module
    {0x10002000, "opiexe"},
};

TEST(SymbolFileTest, NameLookupGivesAddressAndLengthUpToNextSymbol) {
    const auto table = Parse(WriteSymbolFile(kFunctions, kLinkTime));
    ASSERT_TRUE(table);
    struct Case {
        const char* name;
        uint64_t address;
        uint64_t length;
    } cases[] = {
        {"kslget", 0x401000, 0x80},
        {"kslfre", 0x401080, 0x80},
        {"ksmalc", 0x401100, 0xF00},
        {"opiexe", 0x402000, 0x410000 - 0x402000},  // last: up to the image end
    };
    for (const Case& c : cases) {
        SymbolMessages messages;
        uint64_t length = 0;
        EXPECT_EQ(LookupSymbolName(table.get(), Context(), c.name, &length, messages), c.address) << c.name;
        EXPECT_EQ(length, c.length) << c.name;
        EXPECT_EQ(messages, SymbolMessages{"Start address is 0x10001000!\r\n"});
    }
}

TEST(SymbolFileTest, NameLookupIsExactAndTakesFirstInFileOrder) {
    const auto table = Parse(WriteSymbolFile(
        {{0x10001000, "dup"}, {0x10001010, "Dup"}, {0x10001020, "dup"}, {0x10001030, "end"}}, kLinkTime));
    SymbolMessages messages;
    uint64_t length = 0;
    EXPECT_EQ(LookupSymbolName(table.get(), Context(), "dup", &length, messages), 0x401000u);
    EXPECT_EQ(length, 0x10u);
    EXPECT_EQ(LookupSymbolName(table.get(), Context(), "DUP", &length, messages), 0u);
    EXPECT_EQ(messages.back(), "No item matched in the file C:\\db\\BIN\\ORACLE.SYM! \r\n");
}

TEST(SymbolFileTest, AddressLookupNamesFunctionAndOffset) {
    const auto table = Parse(WriteSymbolFile(kFunctions, kLinkTime));
    struct Case {
        uint64_t address;
        const char* text;  // null: no match
        uint64_t size;
    } cases[] = {
        {0x401000, "ORACLE.EXE!kslget+0", 0x80},
        {0x40107F, "ORACLE.EXE!kslget+127", 0x80},
        {0x401100, "ORACLE.EXE!ksmalc+0", 0xF00},
        {0x401FFF, "ORACLE.EXE!ksmalc+3839", 0xF00},
        {0x400FFF, nullptr, 0},  // between the base and the first symbol
        {0x402000, nullptr, 0},  // at the last symbol
        {0x40F000, nullptr, 0},  // beyond it
        {0x3FFFFF, nullptr, 0},  // below the module
    };
    for (const Case& c : cases) {
        SymbolMessages messages;
        uint64_t size = 0;
        const auto text = LookupSymbolAddress(table.get(), Context(), c.address, &size, messages);
        if (c.text == nullptr) {
            EXPECT_FALSE(text) << std::hex << c.address;
            EXPECT_EQ(messages.back(), "No item matched in the file C:\\db\\BIN\\ORACLE.SYM! \r\n");
            EXPECT_EQ(size, 0u);
        } else {
            EXPECT_EQ(text.value_or("none"), c.text) << std::hex << c.address;
            EXPECT_EQ(size, c.size);
        }
    }
}

TEST(SymbolFileTest, SymbolsOutOfRangeNeitherMatchNorEndTheSearch) {
    // A module at 0x7FF600000000 of 0x3000 bytes: the absolute value belongs
    // to no part of it and is skipped by both searches.
    const uint64_t base = 0x7FF600000000;
    const auto table = Parse(WriteSymbolFile(
        {{0x10001000, "first"}, {0x00500000, "elsewhere"}, {0x10002000, "second"}, {0x10003000, "edge"}},
        kLinkTime));
    SymbolMessages messages;
    uint64_t length = 0;
    EXPECT_EQ(LookupSymbolName(table.get(), Context(base, 0x3000), "first", &length, messages), base + 0x1000);
    EXPECT_EQ(length, 0x1000u);
    EXPECT_EQ(LookupSymbolName(table.get(), Context(base, 0x3000), "elsewhere", &length, messages), 0u);
    // A symbol exactly at base + image size is still in range.
    EXPECT_EQ(LookupSymbolName(table.get(), Context(base, 0x3000), "edge", &length, messages), base + 0x3000);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(LookupSymbolAddress(table.get(), Context(base, 0x3000), base + 0x1800, nullptr, messages),
              "ORACLE.EXE!first+2048");
}

TEST(SymbolFileTest, TimeStampMustLieWithinAMinuteOfTheImage) {
    struct Case {
        int64_t delta;
        bool corresponds;
    } cases[] = {{0, true}, {60, true}, {-60, true}, {61, false}, {-61, false}};
    for (const Case& c : cases) {
        const auto table = Parse(WriteSymbolFile(kFunctions, static_cast<uint64_t>(kLinkTime + c.delta)));
        SymbolMessages messages;
        const uint64_t address = LookupSymbolName(table.get(), Context(), "kslget", nullptr, messages);
        EXPECT_EQ(address != 0, c.corresponds) << c.delta;
        if (!c.corresponds) {
            EXPECT_EQ(messages,
                      SymbolMessages{"C:\\db\\BIN\\ORACLE.SYM file is not corresponding to ORACLE.EXE!\r\n"});
        }
    }
}

TEST(SymbolFileTest, WithoutTimeStampTheThirdWordIsTheFirstAddress) {
    const auto bytes = WriteSymbolFile(kFunctions, std::nullopt);
    const auto table = Parse(bytes, false);
    ASSERT_TRUE(table);
    SymbolMessages messages;
    EXPECT_EQ(LookupSymbolName(table.get(), Context(), "kslfre", nullptr, messages), 0x401080u);
    EXPECT_EQ(messages.front(), "Start address is 0x10001000!\r\n");
    // The same bytes read with the version-11 header are misaligned: the
    // first value becomes a time stamp that doesn't correspond.
    const auto misread = Parse(bytes, true);
    messages.clear();
    EXPECT_EQ(LookupSymbolName(misread.get(), Context(), "kslfre", nullptr, messages), 0u);
}

TEST(SymbolFileTest, MalformedFilesAreRefusedAsNotASymbolFile) {
    const auto good = WriteSymbolFile(kFunctions, kLinkTime);
    auto truncated = good;
    truncated.resize(good.size() - 5);
    auto badStart = good;
    badStart[0] = 'X';
    auto badTrailer = good;
    badTrailer.push_back(0);  // the trailer signature no longer sits 16 bytes before the end
    auto nameOffsetPastEnd = good;
    nameOffsetPastEnd[24 + 8 * 4 + 8] = 0xFF;  // second name offset
    auto unterminatedName = WriteSymbolFile({{0x10001000, "a"}}, kLinkTime);
    unterminatedName[unterminatedName.size() - 17] = 'x';  // the area's only NUL
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"empty", {}},
        {"truncated", truncated},
        {"bad start signature", badStart},
        {"trailer moved", badTrailer},
        {"count larger than the tables", WriteSymbolFile(kFunctions, kLinkTime, 1000)},
        {"huge count", WriteSymbolFile(kFunctions, kLinkTime, 0x1000000000000000ULL)},
        {"no symbols", WriteSymbolFile({}, kLinkTime)},
        {"name offset past the string area", nameOffsetPastEnd},
        {"name without terminator", unterminatedName},
    };
    for (const auto& [label, bytes] : cases) {
        EXPECT_FALSE(Parse(bytes)) << label;
    }
    SymbolMessages messages;
    EXPECT_EQ(LookupSymbolAddress(nullptr, Context(), 0x401000, nullptr, messages), std::nullopt);
    EXPECT_EQ(messages, SymbolMessages{"C:\\db\\BIN\\ORACLE.SYM is not ORACLE.SYM file (signature mismatch)\r\n"});
}

// The index must answer exactly as the plain walk does, also for files out
// of order, mixed value forms and duplicate addresses.
TEST(SymbolFileTest, IndexedLookupsEqualThePlainWalk) {
    std::mt19937_64 random(7);
    for (int round = 0; round < 40; ++round) {
        const bool sorted = round % 2 == 0;
        std::vector<SymEntry> symbols;
        uint64_t rva = 0x1000;
        for (int i = 0; i < 60; ++i) {
            rva = sorted ? rva + random() % 0x40 : 0x800 + random() % 0x3000;
            const bool relative = random() % 4 != 0;
            const uint64_t value = relative ? 0x10000000 + rva : 0x400000 + rva - (random() % 3 == 0 ? 0x2000 : 0);
            symbols.push_back({value, "f" + std::to_string(random() % 40)});
        }
        const auto bytes = WriteSymbolFile(symbols, kLinkTime);
        const auto table = Parse(bytes);
        ASSERT_TRUE(table);
        const uint32_t imageSize = 0x2000 + static_cast<uint32_t>(random() % 0x2000);
        const testing::SymFileScan scan(bytes.data(), true, 0x400000, imageSize);
        SymbolFileContext context = Context(0x400000, imageSize);
        for (int i = 0; i < 40; ++i) {
            const std::string name = "f" + std::to_string(i);
            SymbolMessages messages;
            uint64_t length = 0;
            const uint64_t address = LookupSymbolName(table.get(), context, name, &length, messages);
            const auto expected = scan.ByName(name.c_str());
            EXPECT_EQ(address, expected ? expected->first : 0) << name;
            if (expected) {
                EXPECT_EQ(length, expected->second) << name;
            }
        }
        for (uint64_t target = 0x3FFF00; target < 0x405000; target += 1 + random() % 0x30) {
            SymbolMessages messages;
            uint64_t size = 0;
            uint64_t expectedSize = 0;
            EXPECT_EQ(LookupSymbolAddress(table.get(), context, target, &size, messages),
                      scan.ByAddress("ORACLE.EXE", target, &expectedSize))
                << std::hex << target << " round " << round;
            EXPECT_EQ(size, expectedSize);
        }
    }
}

}  // namespace
}  // namespace qv
