// quorvane-cli pe REPORT FILE: one of the file reports of the console (or
// of the ImportTable / ExportTable buttons) on a file, written to standard
// output byte for byte as it would reach the log.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "framework/headless/TextLogWindow.h"
#include "peinfo/PeReports.h"
#include "symbols/FileListings.h"
#include "tracer/PeImage.h"

namespace qv::cli {

namespace {

using MappedReport = void (*)(ByteView image, CWnd* window);
using PathReport = void (*)(const std::string& path, CWnd* window);

// The reports a console command runs on the mapped file, in order.
struct MappedCommand {
    const char* name;
    std::vector<MappedReport> reports;
};
const MappedCommand kMappedCommands[] = {
    {"procinfo", {&ReportFileHeader, &ReportOptionalHeader, &ReportSections}},
    {"imports", {&ReportImports}},
    {"exports", {&ReportExports}},
    {"resource", {&ReportResources}},
    {"debugdir", {&ReportDebugFormats}},
    {"reloc", {&ReportRelocations}},
};

// The reports that open the file by path themselves.
struct PathCommand {
    const char* name;
    PathReport report;
};
const PathCommand kPathCommands[] = {
    {"debuginfo", &ReportDebugInfo},
    {"dumpresource", &DumpResources},
    {"listimports", &ListImportFunctions},
    {"listexports", &ListExportFunctions},
};

int Run(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: quorvane-cli pe REPORT FILE\n");
        return kExitUsage;
    }
    const std::string& report = args[0];
    const std::string& path = args[1];
    CTextLogWindow window(stdout);
    for (const MappedCommand& command : kMappedCommands) {
        if (report != command.name) continue;
        // As the console: a file that can't be mapped reports nothing.
        MAPPEDFILE mapping;
        if (MapFileReadOnly(path, mapping)) {
            for (MappedReport run : command.reports) run(mapping.View(), &window);
            UnmapFile(mapping);
        }
        std::fflush(stdout);
        return kExitOk;
    }
    for (const PathCommand& command : kPathCommands) {
        if (report != command.name) continue;
        command.report(path, &window);
        std::fflush(stdout);
        return kExitOk;
    }
    std::fprintf(stderr, "quorvane-cli pe: unknown report '%s'\n", report.c_str());
    return kExitUsage;
}

const CliCommand kCommand{"pe",
                          "pe REPORT FILE   REPORT: procinfo imports exports resource debugdir reloc debuginfo "
                          "dumpresource listimports listexports",
                          &Run};

}  // namespace

}  // namespace qv::cli
