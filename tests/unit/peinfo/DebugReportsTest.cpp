#include <gtest/gtest.h>

#include "peinfo/DebugRecords.h"
#include "peinfo/PeReports.h"
#include "tests/support/PeBuilder.h"
#include "tests/unit/peinfo/ReportRunner.h"
#include "tests/unit/peinfo/SimFiles.h"

namespace qv {
namespace {

using test::Blob;
using test::PeBuilder;
using test::RunReport;

constexpr uint32_t kRdataRaw = 0x200;  // the first section's file position

// Two entries in ".rdata": an RSDS CodeView record with GUID bytes 00..0F
// and a MISC record naming the executable in UTF-16.
PeBuilder DebugImage() {
    PeBuilder builder;
    auto& rdata = builder.Section(".rdata", 0x2000).data;
    rdata.U32(0x04, 0x11223344).U16(0x08, 1).U16(0x0A, 2).U32(0x0C, 2).U32(0x10, 30);
    rdata.U32(0x14, 0x2040).U32(0x18, kRdataRaw + 0x40);
    rdata.U32(0x1C + 0x0C, 4).U32(0x1C + 0x10, 32).U32(0x1C + 0x14, 0x2080).U32(0x1C + 0x18, kRdataRaw + 0x80);
    rdata.Str(0x40, "RSDS");
    for (uint8_t i = 0; i < 16; ++i) rdata.U8(0x44 + i, i);
    rdata.U32(0x54, 3).Str(0x58, "a.pdb");
    rdata.U32(0x80, 1).U32(0x84, 32).U8(0x88, 1);
    const std::string name = "x.exe";
    for (size_t i = 0; i < name.size(); ++i) rdata.U16(0x8C + 2 * i, static_cast<uint8_t>(name[i]));
    rdata.U16(0x8C + 2 * name.size(), 0).At(0xA0, 0x10);
    builder.Directory(6, 0x2000, 56);
    return builder;
}

const char* const kFormatsHeader =
    "Debug Formats in File\r\n"
    "  Type            Size     Address  FilePtr  Charactr TimeData Version\r\n"
    "  --------------- -------- -------- -------- -------- -------- --------\r\n";

TEST(DebugFormatsReport, OneLinePerEntry) {
    EXPECT_EQ(RunReport(&ReportDebugFormats, DebugImage().Build()),
              std::string(kFormatsHeader) +
                  "  CODEVIEW 0000001E 00002040 00000240 00000000 11223344 1.02\r\n"
                  "  MISC 00000020 00002080 00000280 00000000 00000000 0.00\r\n");
}

TEST(DebugFormatsReport, CoffEntryShowsTheSymbolsHeaderWhenTheImageHasSymbols) {
    PeBuilder builder = DebugImage();
    builder.Directory(6, 0x2000, 28);
    auto& rdata = builder.sections[0].data;
    rdata.U32(0x0C, 1).U32(0x18, kRdataRaw + 0xC0);
    for (uint32_t i = 0; i < 8; ++i) rdata.U32(0xC0 + 4 * i, 0x100 + i);
    const std::string coffLine = "  COFF 0000001E 00002040 000002C0 00000000 11223344 1.02\r\n";
    EXPECT_EQ(RunReport(&ReportDebugFormats, builder.Build()), kFormatsHeader + coffLine);

    builder.pointerToSymbolTable = 0x1000;
    EXPECT_EQ(RunReport(&ReportDebugFormats, builder.Build()),
              kFormatsHeader + coffLine +
                  "COFF Debug Info Header\r\n"
                  "  NumberOfSymbols:      00000100\r\n"
                  "  LvaToFirstSymbol:     00000101\r\n"
                  "  NumberOfLinenumbers:  00000102\r\n"
                  "  LvaToFirstLinenumber: 00000103\r\n"
                  "  RvaToFirstByteOfCode: 00000104\r\n"
                  "  RvaToLastByteOfCode:  00000105\r\n"
                  "  RvaToFirstByteOfData: 00000106\r\n"
                  "  RvaToLastByteOfData:  00000107\r\n");
}

TEST(DebugFormatsReport, TableInADebugSectionAndMissingTables) {
    PeBuilder inDebug = DebugImage();
    inDebug.sections[0].name = ".debug";  // starts at the directory's RVA
    EXPECT_NE(RunReport(&ReportDebugFormats, inDebug.Build()).find("  CODEVIEW 0000001E"), std::string::npos);

    PeBuilder noDirectory = DebugImage();
    noDirectory.Directory(6, 0, 56);
    PeBuilder shortDirectory = DebugImage();
    shortDirectory.Directory(6, 0x2000, 27);
    PeBuilder outsideSections = DebugImage();
    outsideSections.Directory(6, 0x8000, 56);
    for (const PeBuilder* builder : {&noDirectory, &shortDirectory, &outsideSections}) {
        EXPECT_EQ(RunReport(&ReportDebugFormats, builder->Build()), "");
    }
}

TEST(CodeViewRecord, Formats) {
    struct Case {
        const char* what;
        Blob record;
        const char* expected;
        uint32_t statedSize = 0;  // 0: the record's own size
    };
    Blob rsds;
    rsds.Str(0, "RSDS");
    for (uint8_t i = 0; i < 16; ++i) rsds.U8(4 + i, i);
    rsds.U32(20, 1).Str(24, "q.pdb");
    Blob nb10;
    nb10.Str(0, "NB10").U32(4, 0).U32(8, 0xABCDEF01).U32(12, 7).Str(16, "old.pdb");
    Blob nb09;
    nb09.Str(0, "NB09").U32(4, 0x1234);
    Blob other;
    other.Str(0, "ABCD").U32(4, 0x1234);
    Blob rsdsWithoutName = rsds;
    rsdsWithoutName.bytes.resize(29);
    rsdsWithoutName.bytes[28] = 'q';  // the name runs off the record
    // Linkers state 24 bytes plus the name; the check for 28 bytes is
    // against the file, which goes on after the record.
    Blob rsdsEmptyName;
    rsdsEmptyName.Str(0, "RSDS").U32(20, 2).U8(24, 0).U32(25, 0xFFFFFFFF);
    Blob tiny;
    tiny.Str(0, "RS").bytes.resize(3);
    const Case cases[] = {
        {"RSDS", rsds,
         "CodeView format: RSDS \nSignature: {03020100-0504-0706-0809-0a0b0c0d0e0f}  Age: 1  \nPdbFile: q.pdb \n"},
        {"NB10", nb10, "CodeView format: NB10 \nSignature: abcdef01  Age: 7  \nPDB File: old.pdb \n"},
        {"NB09", nb09, "CodeView signature: NB09 \nCodeView information offset: 00001234\n"},
        {"other", other, "CodeView signature: ABCD \n"},
        {"RSDS without a name", rsdsWithoutName, ""},
        {"shorter than a signature", tiny, ""},
        {"RSDS stated as 25 bytes", rsdsEmptyName,
         "CodeView format: RSDS \nSignature: {00000000-0000-0000-0000-000000000000}  Age: 2  \nPdbFile:  \n", 25},
    };
    for (const Case& c : cases) {
        CTextLogWindow window;
        const auto size = c.statedSize ? c.statedSize : static_cast<uint32_t>(c.record.bytes.size());
        const ByteView record(c.record.bytes.data(), c.record.bytes.size());
        NameBudget budget(record);
        ReportCodeViewRecord(record, 0, size, budget, &window);
        EXPECT_EQ(window.Text(), c.expected) << c.what;
    }
}

TEST(DebugInfoReport, EntriesWithTheirRecords) {
    test::SimFiles files;
    CTextLogWindow window;
    ReportDebugInfo(files.Put("dbg.exe", DebugImage().Build()), &window);
    EXPECT_EQ(window.Text(),
              "File: C:\\work\\dbg.exe \n"
              "Number of entries in debug directory: 2 \n"
              "\nDebug directory entry 1: \n"
              "Type: 2 ( CodeView ) \n"
              "TimeStamp: 11223344  Characteristics: 0  MajorVer: 1  MinorVer: 2 \n"
              "Size: 30  RVA: 00002040  FileOffset: 00000240  \n"
              "CodeView format: RSDS \n"
              "Signature: {03020100-0504-0706-0809-0a0b0c0d0e0f}  Age: 3  \n"
              "PdbFile: a.pdb \n"
              "\nDebug directory entry 2: \n"
              "Type: 4 ( MISC ) \n"
              "TimeStamp: 00000000  Characteristics: 0  MajorVer: 0  MinorVer: 0 \n"
              "Size: 32  RVA: 00002080  FileOffset: 00000280  \n"
              "Data type: 1  Length: 32  Format: Unicode \n"
              "File: x.exe \n");
}

TEST(DebugInfoReport, EachFailureNamesItself) {
    test::SimFiles files;
    PeBuilder rvaWithoutSize = DebugImage();
    rvaWithoutSize.Directory(6, 0, 56);
    PeBuilder none = DebugImage();
    none.Directory(6, 0, 0);
    PeBuilder outside = DebugImage();
    outside.Directory(6, 0x8000, 56);
    PeBuilder tooShort = DebugImage();
    tooShort.Directory(6, 0x2000, 20);
    PeBuilder pastTheFile = DebugImage();
    pastTheFile.sections[0].virtualSize = 0x10000;
    pastTheFile.Directory(6, 0x2F00, 56);
    PeBuilder typeZero = DebugImage();
    typeZero.Directory(6, 0x2000, 28);
    typeZero.sections[0].data.U32(0x0C, 0);
    std::vector<uint8_t> badMagic = DebugImage().Build();
    badMagic[PeBuilder::kNtAt + 24] = 0x0C;
    struct Case {
        const char* what;
        std::vector<uint8_t> image;
        const char* expected;
    };
    const Case cases[] = {
        {"RVA 0 with a size", rvaWithoutSize.Build(), "Error: File is not a PE executable.\n"},
        {"optional header magic", badMagic, "Error: File is not a PE executable.\n"},
        {"no MZ", std::vector<uint8_t>(100, 'x'), "Error: File is not a PE executable.\n"},
        {"no directory", none.Build(), "Debug directory not found.\n"},
        {"RVA in no section", outside.Build(), "Debug directory not found.\n"},
        {"shorter than one entry", tooShort.Build(), "Error: Debug directory is not valid.\n"},
        {"past the end of the file", pastTheFile.Build(), "Error: Debug directory is not valid.\n"},
        {"type 0", typeZero.Build(),
         "Number of entries in debug directory: 1 \n\nDebug directory entry 1: \nType: Unknown.\n"},
    };
    for (const Case& c : cases) {
        CTextLogWindow window;
        ReportDebugInfo(files.Put("case.exe", c.image), &window);
        EXPECT_EQ(window.Text(), std::string("File: C:\\work\\case.exe \n") + c.expected) << c.what;
    }

    CTextLogWindow window;
    ReportDebugInfo("", &window);
    EXPECT_EQ(window.Text(), "");
    ReportDebugInfo("C:\\work\\missing.exe", &window);
    EXPECT_EQ(window.Text().rfind("File: C:\\work\\missing.exe \nError: Cannot open the file. Error code: ", 0), 0u);
}

}  // namespace
}  // namespace qv
