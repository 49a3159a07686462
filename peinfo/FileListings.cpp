#include "peinfo/FileListings.h"

#include <string>

#include "core/MappedFile.h"
#include "core/TraceLog.h"
#include "peinfo/ImportExportWalk.h"

namespace qv {

void ListImports(ByteView image, CWnd* window) {
    for (const IMPORTEDMODULE& module : WalkImports(image, ImportWalk::Listing)) {
        WriteLog(kLogToWindow, false, true, window, "Dll FileName: %s\r\n", module.szName.c_str());
        for (const IMPORTEDFUNCTION& function : module.arrFunctions) {
            if (function.bByOrdinal) {
                WriteLog(kLogToWindow, false, true, window, " %x (ord.)\r\n", static_cast<unsigned>(function.nOrdinal));
            } else {
                WriteLog(kLogToWindow, false, true, window, " %s\r\n", function.szName.c_str());
            }
        }
    }
}

void ListExports(ByteView image, CWnd* window) {
    const auto exports = WalkExports(image, true);
    if (!exports) return;
    WriteLog(kLogToWindow, false, true, window, "Module Name: %s\r\n", exports->szModuleName.c_str());
    for (const EXPORTEDFUNCTION& function : exports->arrFunctions) {
        WriteLog(kLogToWindow, false, true, window, "Function Name: %s\r\n", function.szName.c_str());
    }
}

void ListImportFunctions(const std::string& path, CWnd* window) {
    MAPPEDFILE mapping;
    if (!MapFileReadOnly(path, mapping)) return;
    ListImports(mapping.View(), window);
    UnmapFile(mapping);
}

void ListExportFunctions(const std::string& path, CWnd* window) {
    MAPPEDFILE mapping;
    if (!MapFileReadOnly(path, mapping)) return;
    ListExports(mapping.View(), window);
    UnmapFile(mapping);
}

}  // namespace qv
