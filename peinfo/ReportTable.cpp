#include "peinfo/ReportTable.h"

#include "core/MappedFile.h"
#include "peinfo/FileListings.h"
#include "peinfo/PeReports.h"

namespace qv {

const std::vector<FILEREPORT>& FileReports() {
    static const std::vector<FILEREPORT> reports = {
        {"procinfo", {&ReportFileHeader, &ReportOptionalHeader, &ReportSections}, nullptr},
        {"imports", {&ReportImports}, nullptr},
        {"exports", {&ReportExports}, nullptr},
        {"resource", {&ReportResources}, nullptr},
        {"debugdir", {&ReportDebugFormats}, nullptr},
        {"reloc", {&ReportRelocations}, nullptr},
        {"debuginfo", {&ReportDebugDirectory}, &ReportDebugInfo},
        {"dumpresource", {}, &DumpResources},
        {"listimports", {&ListImports}, &ListImportFunctions},
        {"listexports", {&ListExports}, &ListExportFunctions},
    };
    return reports;
}

const FILEREPORT* FindFileReport(std::string_view name) {
    for (const FILEREPORT& report : FileReports()) {
        if (name == report.pszName) return &report;
    }
    return nullptr;
}

void RunFileReport(const FILEREPORT& report, const std::string& path, CWnd* window) {
    if (report.pfnByPath != nullptr) {
        report.pfnByPath(path, window);
        return;
    }
    MAPPEDFILE mapping;
    if (!MapFileReadOnly(path, mapping)) return;
    for (MappedReport run : report.arrMapped) run(mapping.View(), window);
    UnmapFile(mapping);
}

}  // namespace qv
