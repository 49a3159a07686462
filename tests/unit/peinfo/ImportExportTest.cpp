#include <gtest/gtest.h>

#include <algorithm>

#include "peinfo/FileListings.h"
#include "peinfo/PeReports.h"
#include "tests/support/PeBuilder.h"
#include "tests/unit/peinfo/ReportRunner.h"
#include "tests/unit/peinfo/SimFiles.h"

namespace qv {
namespace {

using test::PeBuilder;
using test::RunReport;

std::string Padded(const std::string& text, size_t width) {
    return text.size() < width ? text + std::string(width - text.size(), ' ') : text;
}

// Imports from two DLLs: one with a lookup table holding a name, an ordinal
// and a name; one with only an address table.
PeBuilder ImportingImage() {
    PeBuilder builder;
    auto& idata = builder.Section(".idata", 0x2000).data;
    idata.U32(0x00, 0x2100).U32(0x0C, 0x2200).U32(0x10, 0x2300);
    idata.U32(0x14, 0).U32(0x20, 0x2210).U32(0x24, 0x2340);
    idata.U32(0x28, 0);  // the terminating descriptor
    idata.U64(0x100, 0x2400).U64(0x108, 0x8000000000000004ULL).U64(0x110, 0x2410).U64(0x118, 0);
    idata.U64(0x300, 0x2400).U64(0x308, 0x8000000000000004ULL).U64(0x310, 0x2410).U64(0x318, 0);
    idata.U64(0x340, 0x2410).U64(0x348, 0);
    idata.Str(0x200, "fixlib.dll").Str(0x210, "other.dll");
    idata.U16(0x400, 7).Str(0x402, "alpha").U16(0x410, 9).Str(0x412, "beta");
    idata.At(0x420, 0x40);
    builder.Directory(1, 0x2000, 0x3C);
    return builder;
}

// Four functions, three names not in function-table order, one function
// exported by ordinal only, ordinal base 5.
PeBuilder ExportingImage() {
    PeBuilder builder;
    auto& edata = builder.Section(".edata", 0x3000).data;
    edata.U32(0x0C, 0x3100).U32(0x10, 5).U32(0x14, 4).U32(0x18, 3);
    edata.U32(0x1C, 0x3040).U32(0x20, 0x3060).U32(0x24, 0x3070);
    edata.U32(0x40, 0x1010).U32(0x44, 0x1020).U32(0x48, 0x1030).U32(0x4C, 0x1040);
    edata.U32(0x60, 0x3110).U32(0x64, 0x3120).U32(0x68, 0x3130);
    edata.U16(0x70, 2).U16(0x72, 1).U16(0x74, 0);
    edata.Str(0x100, "fixlib.dll").Str(0x110, "alpha").Str(0x120, "mid").Str(0x130, "zeta");
    builder.Directory(0, 0x3000, 0x140);
    return builder;
}

TEST(ImportsReport, NamedImportsWithTheirAddressTableSlots) {
    // The ordinal import has no line but keeps its slot (0x2308); the DLL
    // without a lookup table gets only its module line.
    EXPECT_EQ(RunReport(&ReportImports, ImportingImage().Build()),
              "Module: fixlib.dll\r\n"
              "Import function: " + Padded("alpha", 25) + ",Function Address: 2300\r\n"
              "Import function: " + Padded("beta", 25) + ",Function Address: 2310\r\n"
              "Module: other.dll\r\n");
}

TEST(ExportsReport, EachNameKeepsItsOwnFunctionAndUnbiasedIndex) {
    EXPECT_EQ(RunReport(&ReportExports, ExportingImage().Build()),
              "Module: fixlib.dll\r\n"
              "Number of Function: 4\r\n"
              "Function: " + Padded("alpha", 30) + ", Addres: 1030, Sequence: 2\r\n"
              "Function: " + Padded("mid", 30) + ", Addres: 1020, Sequence: 1\r\n"
              "Function: " + Padded("zeta", 30) + ", Addres: 1010, Sequence: 0\r\n");
}

TEST(ImportExportReports, StopAtBrokenStructures) {
    PeBuilder noImports = ImportingImage();
    noImports.Directory(1, 0, 0);
    PeBuilder importsOutsideSections = ImportingImage();
    importsOutsideSections.Directory(1, 0x9000, 0x3C);
    PeBuilder badName = ImportingImage();
    badName.sections[0].data.U32(0x20, 0x7000);  // second DLL's name maps nowhere
    PeBuilder badOrdinal = ExportingImage();
    badOrdinal.sections[0].data.U16(0x72, 4);  // "mid" names function 4 of 4
    PeBuilder noExports = ExportingImage();
    noExports.Directory(0, 0, 0);
    struct Case {
        const char* what;
        const PeBuilder& builder;
        void (*report)(ByteView, CWnd*);
        std::string expected;
    };
    const Case cases[] = {
        {"no import directory", noImports, &ReportImports, ""},
        {"import RVA in no section", importsOutsideSections, &ReportImports, ""},
        {"unmappable DLL name", badName, &ReportImports,
         "Module: fixlib.dll\r\n"
         "Import function: " + Padded("alpha", 25) + ",Function Address: 2300\r\n"
         "Import function: " + Padded("beta", 25) + ",Function Address: 2310\r\n"},
        {"ordinal past the function table", badOrdinal, &ReportExports,
         "Module: fixlib.dll\r\nNumber of Function: 4\r\n"
         "Function: " + Padded("alpha", 30) + ", Addres: 1030, Sequence: 2\r\n"},
        {"no export directory", noExports, &ReportExports, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(RunReport(c.report, c.builder.Build()), c.expected) << c.what;
}

TEST(ImportReports, DescriptorsSharingOneLookupTableCostNoMoreThanTheFileHolds) {
    // 1000 descriptors, all with the same 1000-entry lookup table: a report
    // that walked each would write a million lines from a 24 KB file.
    PeBuilder builder;
    auto& idata = builder.Section(".idata", 0x2000).data;
    constexpr uint32_t kDescriptors = 1000;
    constexpr uint32_t kTable = 0x5000;
    for (uint32_t i = 0; i < kDescriptors; ++i) {
        idata.U32(20 * i, 0x2000 + kTable).U32(20 * i + 12, 0x2000 + kTable - 0x10).U32(20 * i + 16, 0x2000 + kTable);
    }
    idata.Str(kTable - 0x10, "x.dll").U16(kTable - 4, 0).Str(kTable - 2, "f");
    for (uint32_t k = 0; k < 1000; ++k) idata.U64(kTable + 8 * k, 0x2000 + kTable - 4);
    idata.U64(kTable + 8000, 0);
    builder.Directory(1, 0x2000, 20 * kDescriptors);
    const std::vector<uint8_t> image = builder.Build();

    const std::string report = RunReport(&ReportImports, image);
    CTextLogWindow window;
    ListImports(ByteView(image.data(), image.size()), &window);
    for (const std::string& text : {report, window.Text()}) {
        const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
        EXPECT_GT(lines, 1000u);
        EXPECT_LE(lines, 2 * image.size() / 8);
    }
}

TEST(FileListings, ImportsByNameAndOrdinalAndExportNames) {
    test::SimFiles files;
    CTextLogWindow window;
    ListImportFunctions(files.Put("imp.exe", ImportingImage().Build()), &window);
    EXPECT_EQ(window.Text(),
              "Dll FileName: fixlib.dll\r\n alpha\r\n 4 (ord.)\r\n beta\r\n"
              "Dll FileName: other.dll\r\n beta\r\n");

    window.Clear();
    ListExportFunctions(files.Put("exp.dll", ExportingImage().Build()), &window);
    EXPECT_EQ(window.Text(), "Module Name: fixlib.dll\r\nFunction Name: alpha\r\nFunction Name: mid\r\nFunction Name: zeta\r\n");

    window.Clear();
    ListImportFunctions("C:\\work\\missing.exe", &window);
    ListExportFunctions("C:\\work\\missing.exe", &window);
    ListExportFunctions(files.Put("imp2.exe", ImportingImage().Build()), &window);
    EXPECT_EQ(window.Text(), "");
}

}  // namespace
}  // namespace qv
