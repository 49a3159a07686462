// The import and export tables of a mapped image.
#include <cstdint>
#include <string>

#include "peinfo/ImportExportWalk.h"
#include "peinfo/PeReports.h"
#include "peinfo/ReportLog.h"

namespace qv {

void ReportImports(ByteView image, CWnd* window) {
    for (const IMPORTEDMODULE& module : WalkImports(image, ImportWalk::Report)) {
        ReportLine(window, "Module: %s\r\n", module.szName.c_str());
        // Imports by ordinal have no line of their own.
        for (const IMPORTEDFUNCTION& function : module.arrFunctions) {
            if (function.bByOrdinal) continue;
            ReportLine(window, "Import function: %-25s,", function.szName.c_str());
            ReportLine(window, "Function Address: %X\r\n", static_cast<uint32_t>(function.nSlotRva));
        }
    }
}

void ReportExports(ByteView image, CWnd* window) {
    const auto exports = WalkExports(image, false);
    if (!exports) return;
    ReportLine(window, "Module: %s\r\n", exports->szModuleName.c_str());
    ReportLine(window, "Number of Function: %d\r\n", static_cast<int>(exports->nNumberOfFunctions));
    for (const EXPORTEDFUNCTION& function : exports->arrFunctions) {
        ReportLine(window, "Function: %-30s, Addres: %-4x, Sequence: %d\r\n", function.szName.c_str(),
                   function.nFunctionRva, static_cast<int>(function.nOrdinal));
    }
}

}  // namespace qv
