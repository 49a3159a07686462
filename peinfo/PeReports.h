// Text reports on the structure of a PE file and the resource dumper. The
// reports read a mapped file through a ByteView and stop silently at the
// first structure that doesn't fit it; the path-based ones open the file
// themselves and name each failure. Every line goes to the log window given,
// without a time stamp, whatever the tracer's log switch is.
#pragma once

#include <string>

#include "base/ByteView.h"
#include "framework/Wnd.h"

namespace qv {

// Headers and sections ("$procinfo$" runs the three in this order).
void ReportFileHeader(ByteView image, CWnd* window);
void ReportOptionalHeader(ByteView image, CWnd* window);
void ReportSections(ByteView image, CWnd* window);

void ReportImports(ByteView image, CWnd* window);
void ReportExports(ByteView image, CWnd* window);

void ReportDebugFormats(ByteView image, CWnd* window);
void ReportDebugInfo(const std::string& path, CWnd* window);
// The part of ReportDebugInfo after the file is mapped: validation and the
// entries.
void ReportDebugDirectory(ByteView image, CWnd* window);

void ReportResources(ByteView image, CWnd* window);
// Writes "<name>.rc" and the bitmaps, icons and cursors into the current
// directory.
void DumpResources(const std::string& path, CWnd* window);
// The part of DumpResources after the file is mapped; the script is named
// after path.
void DumpMappedResources(const std::string& path, ByteView image, CWnd* window);

void ReportRelocations(ByteView image, CWnd* window);

}  // namespace qv
