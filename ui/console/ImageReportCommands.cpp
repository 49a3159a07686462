// The report rows, on the file of the traced process's first module.
#include <string>

#include "core/TargetAccess.h"
#include "peinfo/ReportTable.h"
#include "tracer/DeamonThread.h"
#include "ui/console/CommandActions.h"

namespace qv::console {

void RunFileReportRow(const CommandRow& row, const CommandCall& call) {
    const FILEREPORT* report = FindFileReport(row.fileReport);
    std::string path;
    if (report == nullptr || !GetProcessImagePath(call.session.pTracer->m_nProcessId, path, kMaxPathChars)) return;
    RunFileReport(*report, path, call.session.pLogWindow);
}

}  // namespace qv::console
