// The trace point file: every line of TracePoints.txt becomes at most one
// trace point.
#include "core/ProcessHandle.h"
#include "core/TextFile.h"
#include "tracer/DeamonThread.h"

namespace qv {

namespace {
constexpr const char* kTracePointFileName = "TracePoints.txt";
}

void CDeamonThread::LoadTracePoints() {
    const auto lines = ReadTextFileLines(kTracePointFileName);
    if (!lines) {
        Log("Error: File TracePoints.txt not found, please config the trace points in this file, locate at the "
            "same folder of the executable file! \r\n");
        return;
    }
    TableLock lock(*this);
    for (const std::string& line : *lines) AddTracePoint(line);
}

void CDeamonThread::ReloadTracePoints() {
    TableLock lock(*this);
    RemoveAllBreakPoints(ProcessHandle(m_nProcessId).get(), true);
    // Pending calls name indexes of the old table.
    m_arrThreads.ClearPendingCalls();
    LoadTracePoints();
    SetTracePoints();
}

}  // namespace qv
