// The file reports by the names the console and the command-line tool call
// them: each either runs on the mapped file (a file that can't be mapped
// reports nothing) or opens the file itself and names its failures.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/ByteView.h"
#include "framework/Wnd.h"

namespace qv {

using MappedReport = void (*)(ByteView image, CWnd* window);
using PathReport = void (*)(const std::string& path, CWnd* window);

struct FILEREPORT {
    const char* pszName;
    // Run in order on the mapped file; for a path report, the part of it
    // that follows the mapping.
    std::vector<MappedReport> arrMapped;
    PathReport pfnByPath = nullptr;  // set for the reports that open the file themselves
};

// In the order the command-line tool lists them.
const std::vector<FILEREPORT>& FileReports();

// The report of that name, or null.
const FILEREPORT* FindFileReport(std::string_view name);

// Runs the report on the file at path.
void RunFileReport(const FILEREPORT& report, const std::string& path, CWnd* window);

}  // namespace qv
