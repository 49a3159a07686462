#include <gtest/gtest.h>

#include "peinfo/PeReports.h"
#include "tests/support/PeBuilder.h"
#include "tests/unit/peinfo/ReportRunner.h"

namespace qv {
namespace {

using test::PeBuilder;
using test::RunReport;

// Two blocks: 64-bit entries (type 10) with a filler at the end, and the
// classic 32-bit types.
PeBuilder RelocatedImage() {
    PeBuilder builder;
    auto& reloc = builder.Section(".reloc", 0x5000).data;
    reloc.U32(0, 0x1000).U32(4, 16).U16(8, 0xA010).U16(10, 0xA7F8).U16(12, 0xAFFF).U16(14, 0x0000);
    reloc.U32(16, 0x3000).U32(20, 12).U16(24, 0x3004).U16(26, 0x1123);
    builder.Directory(5, 0x5000, 28);
    return builder;
}

TEST(RelocationsReport, BlocksWithTypeNames) {
    EXPECT_EQ(RunReport(&ReportRelocations, RelocatedImage().Build()),
              "base relocations:\r\n\r\n"
              "Virtual Address: 00001000  size: 00000010\r\n"
              "unknown  00001010\r\n"
              "unknown  000017F8\r\n"
              "unknown  00001FFF\r\n"
              "ABSOLUTE  00001000\r\n"
              "Virtual Address: 00003000  size: 0000000C\r\n"
              "HIGHLOW  00003004\r\n"
              "HIGH  00003123\r\n");
}

TEST(RelocationsReport, EndsAtTheDirectoryEndOrABrokenBlock) {
    PeBuilder firstBlockOnly = RelocatedImage();
    firstBlockOnly.Directory(5, 0x5000, 16);
    PeBuilder zeroSize = RelocatedImage();
    zeroSize.sections[0].data.U32(20, 0);
    PeBuilder sizeBelowHeader = RelocatedImage();
    sizeBelowHeader.sections[0].data.U32(20, 6);
    const std::string firstBlock =
        "base relocations:\r\n\r\n"
        "Virtual Address: 00001000  size: 00000010\r\n"
        "unknown  00001010\r\nunknown  000017F8\r\nunknown  00001FFF\r\nABSOLUTE  00001000\r\n";
    for (const PeBuilder* builder : {&firstBlockOnly, &zeroSize, &sizeBelowHeader}) {
        EXPECT_EQ(RunReport(&ReportRelocations, builder->Build()), firstBlock);
    }
    // The second block claims 4 GB: its entries end with the directory,
    // although the section's zero-filled rest would read as more of them.
    PeBuilder hugeBlock = RelocatedImage();
    hugeBlock.sections[0].data.U32(20, 0xFFFFFFF0).U16(40, 0x3FFF);
    EXPECT_EQ(RunReport(&ReportRelocations, hugeBlock.Build()),
              firstBlock + "Virtual Address: 00003000  size: FFFFFFF0\r\nHIGHLOW  00003004\r\nHIGH  00003123\r\n");
    PeBuilder none = RelocatedImage();
    none.Directory(5, 0, 0);
    EXPECT_EQ(RunReport(&ReportRelocations, none.Build()), "");
}

}  // namespace
}  // namespace qv
