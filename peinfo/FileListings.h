// The import and export names of an executable file by path, for the
// ImportTable and ExportTable buttons. Lines go to the log window without a
// time stamp, whatever the tracer's log switch is; a file that can't be
// mapped, or a structure that doesn't fit it, ends a listing silently.
#pragma once

#include <string>

#include "base/ByteView.h"
#include "framework/Wnd.h"

namespace qv {

void ListImportFunctions(const std::string& path, CWnd* window);
void ListExportFunctions(const std::string& path, CWnd* window);

// The listings of a file already mapped.
void ListImports(ByteView image, CWnd* window);
void ListExports(ByteView image, CWnd* window);

}  // namespace qv
