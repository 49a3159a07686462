// quorvane-cli pe REPORT FILE: one of the file reports of the console (or
// of the ImportTable / ExportTable buttons) on a file, written to standard
// output byte for byte as it would reach the log.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "framework/headless/TextLogWindow.h"
#include "peinfo/ReportTable.h"

namespace qv::cli {

namespace {

int Run(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: quorvane-cli pe REPORT FILE\n");
        return kExitUsage;
    }
    const std::string& report = args[0];
    const std::string& path = args[1];
    const FILEREPORT* found = FindFileReport(report);
    if (found == nullptr) {
        std::fprintf(stderr, "quorvane-cli pe: unknown report '%s'\n", report.c_str());
        return kExitUsage;
    }
    CTextLogWindow window(stdout);
    RunFileReport(*found, path, &window);
    std::fflush(stdout);
    return kExitOk;
}

const std::string kUsage = [] {
    std::string usage = "pe REPORT FILE   REPORT:";
    for (const FILEREPORT& report : FileReports()) usage += std::string(" ") + report.pszName;
    return usage;
}();

const CliCommand kCommand{"pe", kUsage.c_str(), &Run};

}  // namespace

}  // namespace qv::cli
