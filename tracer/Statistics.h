// The statistics report and its reset (Report and Clean Stat buttons).
#pragma once

namespace qv {

class CDeamonThread;
class CWnd;

// Both do nothing while no tracer exists or its attach failed.
void ReportStatistics(CDeamonThread* tracer, CWnd* window);
void ClearStatistics(CDeamonThread* tracer);

}  // namespace qv
