// Files cut short at every offset: every report and the dumper must stop
// cleanly. Each cut is copied into a buffer of exactly its size, so that a
// read past the end is caught by a sanitizer build of these tests (and by
// the fuzz targets, which start from the same kind of image).
#include <gtest/gtest.h>

#include "peinfo/PeReports.h"
#include "peinfo/ReportTable.h"
#include "tests/unit/peinfo/AllReportsImage.h"
#include "tests/unit/peinfo/ReportRunner.h"
#include "tests/unit/peinfo/SimFiles.h"

namespace qv {
namespace {

TEST(TruncatedFiles, TheWholeImageReportsEverything) {
    // The cuts below are only worth something if the whole file reaches
    // every structure.
    const std::vector<uint8_t> image = test::AllReportsImage();
    EXPECT_NE(test::RunReport(&ReportImports, image).find("beta"), std::string::npos);
    EXPECT_NE(test::RunReport(&ReportExports, image).find("zeta"), std::string::npos);
    EXPECT_NE(test::RunReport(&ReportDebugFormats, image).find("COFF Debug Info Header"), std::string::npos);
    EXPECT_NE(test::RunReport(&ReportResources, image).find("CONFIG"), std::string::npos);
    EXPECT_NE(test::RunReport(&ReportRelocations, image).find("HIGHLOW  00002008"), std::string::npos);
    test::SimFiles files;
    CTextLogWindow window;
    const std::string path = files.Put("all.exe", image);
    ReportDebugInfo(path, &window);
    DumpResources(path, &window);
    EXPECT_NE(window.Text().find("PdbFile: a.pdb"), std::string::npos);
    EXPECT_NE(window.Text().find("File: x.exe"), std::string::npos);
    EXPECT_EQ(window.Text().find("CORRUPT"), std::string::npos);
    EXPECT_EQ(files.Read("appicon.ico").size(), 6u + 16u + 168u);
    EXPECT_EQ(files.Read("arrow.cur").size(), 6u + 16u + 104u);
    EXPECT_TRUE(files.Exists("logo.bmp"));
}

TEST(TruncatedFiles, ReportsAndDumperAtEveryLength) {
    const std::vector<uint8_t> image = test::AllReportsImage();
    // The dumper collects every resource, then fails to create its script
    // in a folder that doesn't exist: the file writers run in the test below.
    test::SimFiles files;
    files.Machine().SetCurrentDirectory("C:\\nowhere");
    CTextLogWindow window;
    for (size_t length = 0; length < image.size(); ++length) {
        const std::vector<uint8_t> cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
        const ByteView view(cut.data(), cut.size());
        for (const FILEREPORT& report : FileReports()) {
            for (MappedReport run : report.arrMapped) run(view, &window);
        }
        DumpMappedResources("C:\\work\\cut.exe", view, &window);
        EXPECT_EQ(length < test::PeBuilder::kNtAt + 4 || window.Text().find("unable to create cut.rc\n") != std::string::npos, true) << length;
        window.Clear();
    }
}

TEST(TruncatedFiles, ReportsThatOpenTheFileThemselves) {
    // Cuts through the mapping path and the dumper's file writers, every
    // 13th length (every length is covered on the mapped view above).
    const std::vector<uint8_t> image = test::AllReportsImage();
    test::SimFiles files;
    CTextLogWindow window;
    for (size_t length = 0; length < image.size(); length += 13) {
        const std::string path =
            files.Put("cut.exe", std::vector<uint8_t>(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length)));
        for (const FILEREPORT& report : FileReports()) {
            if (report.pfnByPath != nullptr) report.pfnByPath(path, &window);
        }
        window.Clear();
    }
}

}  // namespace
}  // namespace qv
