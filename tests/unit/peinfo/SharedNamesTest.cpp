// Crafted tables that point many entries at one long name: the names a
// report shows together take no more than the file holds, and the first
// entries keep their names. Without a bound each of these images writes
// megabytes.
#include <gtest/gtest.h>

#include "peinfo/ReportTable.h"
#include "tests/support/PeBuilder.h"
#include "tests/unit/peinfo/ReportRunner.h"

namespace qv {
namespace {

using test::PeBuilder;

constexpr uint32_t kEntries = 1000;
const std::string kLongName(4000, 'n');

PeBuilder ImportsSharingOneName() {
    PeBuilder builder;
    auto& idata = builder.Section(".idata", 0x2000).data;
    idata.U32(0x00, 0x2100).U32(0x0C, 0x2080).U32(0x10, 0x2100).U32(0x24, 0);
    idata.Str(0x80, "x.dll");
    for (uint32_t k = 0; k < kEntries; ++k) idata.U64(0x100 + 8 * k, 0x2000 + 0x2000);
    idata.U64(0x100 + 8 * kEntries, 0);
    idata.U16(0x2000, 0).Str(0x2002, kLongName);
    builder.Directory(1, 0x2000, 0x28);
    return builder;
}

PeBuilder ExportsSharingOneName() {
    PeBuilder builder;
    auto& edata = builder.Section(".edata", 0x3000).data;
    edata.U32(0x0C, 0x3100).U32(0x14, 1).U32(0x18, kEntries);
    edata.U32(0x1C, 0x3040).U32(0x20, 0x3200).U32(0x24, 0x3200 + 4 * kEntries);
    edata.U32(0x40, 0x1010).Str(0x100, "e.dll");
    for (uint32_t i = 0; i < kEntries; ++i) edata.U32(0x200 + 4 * i, 0x3000 + 0x2000).U16(0x200 + 4 * kEntries + 2 * i, 0);
    edata.Str(0x2000, kLongName);
    builder.Directory(0, 0x3000, 0x28);
    return builder;
}

PeBuilder DebugEntriesSharingOneRecord() {
    constexpr uint32_t kRaw = 0x200;  // the first section's file position
    constexpr uint32_t kRecord = 0x3000;
    PeBuilder builder;
    auto& rdata = builder.Section(".rdata", 0x2000).data;
    for (uint32_t i = 0; i < kEntries / 2; ++i) {
        rdata.U32(28 * i + 12, 2).U32(28 * i + 16, 24 + static_cast<uint32_t>(kLongName.size()) + 1);
        rdata.U32(28 * i + 20, 0x2000 + kRecord).U32(28 * i + 24, kRaw + kRecord);
    }
    rdata.Str(kRecord, "RSDS").U32(kRecord + 20, 1).Str(kRecord + 24, kLongName);
    builder.Directory(6, 0x2000, 28 * (kEntries / 2));
    return builder;
}

TEST(SharedNames, ManyEntriesPointingAtOneLongNameCostNoMoreThanTheFileHolds) {
    struct Case {
        const char* what;
        PeBuilder builder;
        const char* report;  // the report that shows the name
    };
    const Case cases[] = {
        {"import names", ImportsSharingOneName(), "imports"},
        {"export names", ExportsSharingOneName(), "exports"},
        {"debug records", DebugEntriesSharingOneRecord(), "debuginfo"},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> image = c.builder.Build();
        for (const FILEREPORT& report : FileReports()) {
            for (MappedReport run : report.arrMapped) {
                const std::string text = test::RunReport(run, image);
                size_t shown = 0;
                for (size_t at = text.find(kLongName); at != std::string::npos; at = text.find(kLongName, at + 1)) {
                    ++shown;
                }
                EXPECT_LE(shown, image.size() / kLongName.size()) << c.what << ", " << report.pszName;
                if (std::string(report.pszName) == c.report) {
                    EXPECT_GE(shown, 1u) << c.what;
                }
            }
        }
    }
}

}  // namespace
}  // namespace qv
