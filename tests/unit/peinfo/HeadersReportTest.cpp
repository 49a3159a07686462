#include <gtest/gtest.h>

#include "peinfo/AscTime.h"
#include "peinfo/PeReports.h"
#include "tests/support/PeBuilder.h"
#include "tests/unit/peinfo/ReportRunner.h"

namespace qv {
namespace {

using test::PeBuilder;
using test::RunReport;
using test::TestSection;

std::string FileHeaderOf(const PeBuilder& builder) { return RunReport(&ReportFileHeader, builder.Build()); }

TEST(FileHeaderReport, MachineAndFlagLines) {
    struct Case {
        uint16_t machine;
        uint16_t characteristics;
        const char* expectedLines;
    };
    const Case cases[] = {
        {0x8664, 0x0022, "CPU unknown\r\n"},
        {0x14C, 0x0102, "CPU is Intel i386\r\n"},
        {0x162, 0x0002, "CPU is MIPS R3000\r\n"},
        {0x166, 0x0002, "CPU is MIPS R4000\r\n"},
        {0x184, 0x0002, "CPU is Alpha AXP\r\n"},
        {0x1F0, 0x0002, "CPU is Power PC\r\n"},
        {0xAA64, 0x0002, "CPU unknown\r\n"},
    };
    for (const Case& c : cases) {
        PeBuilder builder;
        builder.machine = c.machine;
        builder.characteristics = c.characteristics;
        EXPECT_EQ(FileHeaderOf(builder).find(c.expectedLines), 0u) << std::hex << c.machine;
    }
}

TEST(FileHeaderReport, WholeReportOfADll) {
    PeBuilder builder;
    builder.characteristics = 0x2022;  // DLL among other flags
    builder.timeDateStamp = 0x5F5E1000;
    builder.Section(".text", 0x1000).data.U8(0, 0xC3);
    EXPECT_EQ(FileHeaderOf(builder),
              "CPU unknown\r\n"
              "File section number: 1\r\n"
              "File create GMT time is: Sun Sep 13 12:26:40 2020\n\r\n"
              "IAMGE_OPTIONAL_HEADER32 structure size: 240\r\n"
              "It's DLL file\r\n");

    builder.characteristics = 0x1000;
    EXPECT_NE(FileHeaderOf(builder).find("It's system file\r\n"), std::string::npos);
    EXPECT_EQ(FileHeaderOf(builder).find("It's DLL file"), std::string::npos);
}

TEST(FileHeaderReport, AscTimeMatchesTheCLibraryForm) {
    struct Case {
        uint32_t seconds;
        const char* text;
    };
    const Case cases[] = {
        {0, "Thu Jan  1 00:00:00 1970\n"},
        {951782400, "Tue Feb 29 00:00:00 2000\n"},   // leap day of a century leap year
        {4107542399u, "Sun Feb 28 23:59:59 2100\n"}, // 2100 is no leap year
        {4294967295u, "Sun Feb  7 06:28:15 2106\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(AscTimeUtc(c.seconds), c.text);
}

TEST(OptionalHeaderReport, FieldsInOrderWithImageBaseCutTo32Bits) {
    PeBuilder builder;
    builder.imageBase = 0x1'4000'0000ULL;
    EXPECT_EQ(RunReport(&ReportOptionalHeader, builder.Build()),
              "\nMajor linker version: 2, Minor linker version: 38\r\n"
              "Size of code: 4096\r\n"
              "Size of initialized data: 2048\r\n"
              "Size of uninitialized data: 512\r\n"
              "AddressOfEntryPoint:0x            1010\r\n"
              "BaseOfCode:0x            1000\r\n"
              "BaseOfData:0x               0\r\n"
              "ImageBase:0x        40000000\r\n"
              "Major OS version: 6\r\n"
              "Minor OS version: 1\r\n"
              "Major sub system version: 5\r\n"
              "Minor sub system version: 2\r\n"
              "SizeOfIamge: 65536\r\n"
              "SizeOfHeader: 1024\r\n"
              "Check number: 4660\r\n"
              "Sub system: 3\r\n"
              "Number of Rva and size: 16\r\n");
}

TEST(SectionsReport, EightCharacterNamesAndFields) {
    PeBuilder builder;
    TestSection& text = builder.Section(".textbss", 0x1000);  // all 8 name bytes used
    text.data.U8(0x10, 0x90);
    text.characteristics = 0x60000020;
    builder.Section(".rdata", 0x2000).data.U32(0, 1);
    EXPECT_EQ(RunReport(&ReportSections, builder.Build()),
              "\nPE file section info:\r\n"
              "Section: .textbss\tVirtualSize: 11\tVirtualAddress: 0x00001000\tSizeOfRawData: 200\t"
              "Characteristics: 60000020\r\n"
              "Section: .rdata\tVirtualSize: 4\tVirtualAddress: 0x00002000\tSizeOfRawData: 200\t"
              "Characteristics: 40000040\r\n");
}

TEST(HeaderReports, NotAPeImageWritesNothing) {
    std::vector<uint8_t> bytes = PeBuilder().Build();
    std::vector<uint8_t> noMz = bytes;
    noMz[0] = 'X';
    std::vector<uint8_t> noPe = bytes;
    noPe[PeBuilder::kNtAt + 1] = 'X';
    for (const auto& image : {noMz, noPe, std::vector<uint8_t>{}}) {
        EXPECT_EQ(RunReport(&ReportFileHeader, image), "");
        EXPECT_EQ(RunReport(&ReportOptionalHeader, image), "");
        EXPECT_EQ(RunReport(&ReportSections, image), "");
    }
}

}  // namespace
}  // namespace qv
