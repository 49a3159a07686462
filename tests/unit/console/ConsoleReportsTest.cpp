#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "peinfo/PeReports.h"
#include "tests/unit/console/ConsoleFixture.h"
#include "base/PeImage.h"
#include "core/MappedFile.h"

namespace qv::test {
namespace {

constexpr const char* kServerPath = "C:\\db\\BIN\\ORACLE.EXE";

class ConsoleReportsTest : public ConsoleFixture {
protected:
    // What the reports write when run straight on the server's file.
    std::string Direct(const std::function<void(const MAPPEDFILE&, CWnd*)>& reports) {
        LogMainWindow window;
        MAPPEDFILE mapping;
        EXPECT_TRUE(MapFileReadOnly(kServerPath, mapping));
        reports(mapping, &window);
        UnmapFile(mapping);
        PumpMessages();
        return window.LogText();
    }
};

TEST_F(ConsoleReportsTest, ReportRowsRunOnTheTracedExecutablesFile) {
    StartTracing();
    using Reports = std::function<void(const MAPPEDFILE&, CWnd*)>;
    const std::pair<std::string, Reports> cases[] = {
        {" $procinfo$ ",
         [](const MAPPEDFILE& m, CWnd* w) {
             ReportFileHeader(m.View(), w);
             ReportOptionalHeader(m.View(), w);
             ReportSections(m.View(), w);
         }},
        {"$IAT$", [](const MAPPEDFILE& m, CWnd* w) { ReportImports(m.View(), w); }},
        {"$exporttable$", [](const MAPPEDFILE& m, CWnd* w) { ReportExports(m.View(), w); }},
        {"$resource$", [](const MAPPEDFILE& m, CWnd* w) { ReportResources(m.View(), w); }},
        {"$debugdir$", [](const MAPPEDFILE& m, CWnd* w) { ReportDebugFormats(m.View(), w); }},
        {"$reloc$", [](const MAPPEDFILE& m, CWnd* w) { ReportRelocations(m.View(), w); }},
        {"$debuginfo$", [](const MAPPEDFILE&, CWnd* w) { ReportDebugInfo(kServerPath, w); }},
    };
    // The headers report always writes; the small image has no tables.
    ASSERT_FALSE(Direct(cases[0].second).empty());
    for (const auto& [command, reports] : cases) {
        EXPECT_EQ(Run(command), Direct(reports)) << command;
    }
}

TEST_F(ConsoleReportsTest, ATargetWithoutAnImageFileReportsNothing) {
    m_pid = m_machine->CreateBareProcess("bare.exe");
    StartTracing();
    EXPECT_EQ(Run("$procinfo$"), "");
    EXPECT_EQ(Run("$debuginfo$"), "");
}

}  // namespace
}  // namespace qv::test
