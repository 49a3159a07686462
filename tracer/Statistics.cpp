#include "tracer/Statistics.h"

#include "core/OptionFlags.h"
#include "core/TraceLog.h"
#include "tracer/DeamonThread.h"

namespace qv {

void ReportStatistics(CDeamonThread* tracer, CWnd* window) {
    if (tracer == nullptr || !tracer->m_bAttached) return;
    TableLock lock(*tracer);
    WriteLog(kLogToWindow, true, true, window, "Breakpoints Statistics Report \r\n");
    int32_t total = 0;
    for (const BREAKPOINTINFO& record : tracer->m_arrBreakPoints) {
        if (!(g_bNonZeroRpt && record.nHits < 1)) {
            WriteLog(kLogToWindow, false, true, window, "\t %s (%d)\r\n", record.pszName.c_str(), record.nHits);
        }
        total += record.nHits;
    }
    WriteLog(kLogToWindow, false, true, window, "Total: %d \r\n", total);
}

void ClearStatistics(CDeamonThread* tracer) {
    if (tracer == nullptr || !tracer->m_bAttached) return;
    TableLock lock(*tracer);
    for (int32_t i = 0; i < tracer->m_arrBreakPoints.GetSize(); ++i) tracer->m_arrBreakPoints.ElementAt(i).nHits = 0;
}

}  // namespace qv
