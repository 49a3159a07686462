#include "peinfo/ReportLog.h"

#include <cstdarg>
#include <string>

#include "core/StringFormat.h"

namespace qv {

void ReportLine(CWnd* window, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatStringV(format, args);
    va_end(args);
    // The formatted text ends at its first NUL, as a C string would.
    WriteLog(kLogToWindow, false, true, window, "%s", text.c_str());
}

}  // namespace qv
