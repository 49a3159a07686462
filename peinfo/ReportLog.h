// One report line: printf-formatted, written to the log window with no time
// stamp and shown whatever the tracer's log switch is.
#pragma once

#include "core/TraceLog.h"
#include "framework/Wnd.h"

namespace qv {

void ReportLine(CWnd* window, const char* format, ...) QV_PRINTF_FORMAT(2, 3);

}  // namespace qv
