#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/console/ConsoleFixture.h"

namespace qv::test {
namespace {

class ConsoleSymbolsTest : public ConsoleFixture {
protected:
    void SetUp() override {
        ConsoleFixture::SetUp();
        StartTracing();
    }
};

TEST_F(ConsoleSymbolsTest, LocateGoesFromNamesToAddressesAndBack) {
    const std::pair<std::string, std::string> cases[] = {
        {"$locate$ kslfre", "0x00401080\r\n"},
        {"$locate$ ORACLE.EXE!opiexe", "0x00401085\r\n"},
        {"$locate$ oracle.exe!kslget", "0x00401000\r\n"},
        {"$locate$ nosuchname", "0x00000000\r\n"},
        {"$locate$ 401088", "ORACLE.EXE!opiexe+3\r\n"},
        {"$locate$ NOSUCH.DLL!0x401000", "ORACLE.EXE!kslget+0\r\n"},
        // A name that reads as a number is taken for an address.
        {"$locate$ beef", ""},
        {"$locate$ !kslfre", "0x00000000\r\n"},
        {"$locate$ NOSUCH.DLL!kslfre", ""},
        {"$locate$ 700000", ""},
    };
    for (const auto& [command, expected] : cases) EXPECT_EQ(Run(command), expected) << command;
}

TEST_F(ConsoleSymbolsTest, AFunctionIsListedWithCallTargetsAndMemoryNotes) {
    EXPECT_EQ(Run("kslget"),
              "Disassembling ORACLE.EXE!kslget \r\n"
              "  00401000:\tCALL 00401080\t;  ORACLE.EXE!kslfre+0\r\n"
              "  00401005:\tMOV EAX, DWORD PTR DS:[00403000]\t;  \"hello world\"\r\n"
              "  0040100A:\tMOV EAX, 00403000\t;  \"hello world\"\r\n"
              "  0040100F:\tMOV EAX, 00000010\t; \r\n"
              "  00401014:\tRET\t; Pop IP\r\n");
}

TEST_F(ConsoleSymbolsTest, ATracedFunctionIsListedWithItsOwnFirstInstruction) {
    Run("$addbt$ kslget");
    const std::string listing = Run("ORACLE.EXE!kslget");
    EXPECT_NE(listing.find("  00401000:\tCALL 00401080\t;"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("INT"), std::string::npos) << listing;
    EXPECT_EQ(MemoryByte(kKslget), 0xCC);
}

TEST_F(ConsoleSymbolsTest, TheLastInstructionIsCutAtTheEndOfTheFunction) {
    EXPECT_EQ(Run("cut"),
              "Disassembling ORACLE.EXE!cut \r\n"
              "  00401082:\tCALL 00401087\t; <Cut off at end of code> ORACLE.EXE!opiexe+2\r\n");
}

TEST_F(ConsoleSymbolsTest, UnknownFunctionsAndModules) {
    EXPECT_EQ(Run("nosuchfunction"), "Function ORACLE.EXE!nosuchfunction not found! \r\n");
    EXPECT_EQ(Run(""), "Function ORACLE.EXE! not found! \r\n");
    EXPECT_EQ(Run(" $teston$"), "Function ORACLE.EXE!$teston$ not found! \r\n");
    EXPECT_EQ(Run("NOSUCH.DLL!kslget"), "");
}

// A damaged symbol file: out of order, so the size of "opiexe" runs to a
// symbol below it and wraps around.
class DamagedSymbolsTest : public ConsoleFixture {
protected:
    void SetUp() override {
        TracerFixture::SetUp();
        InstallServer({{0x10001000, "kslget"}, {0x10001085, "opiexe"}, {0x10001020, "early"}});
        StartTracing();
    }
};

TEST_F(DamagedSymbolsTest, ASizePastTheModuleIsNotFound) {
    EXPECT_EQ(Run("opiexe"), "Function ORACLE.EXE!opiexe not found! \r\n");
}

}  // namespace
}  // namespace qv::test
