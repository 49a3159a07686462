// The trace log: the one way any part of the program writes a line. A line
// goes to the log edit control (1010) of the main window, directly through
// sent messages or parked and fetched by the window on WM_USER+1, and/or to
// a message box.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <map>
#include <string>

#include "base/PrintfFormat.h"
#include "framework/Wnd.h"
#include "platform/PlatformTypes.h"

namespace qv {

inline constexpr uint32_t kLogToWindow = 1;
inline constexpr uint32_t kLogToMessageBox = 2;
inline constexpr int kLogEditId = 1010;
inline constexpr uint32_t kWmAsyncLog = kWmUser + 1;
// A direct append: lParam points to the text (a std::string), sent to the
// main window so that it lands whole, on the window's own thread.
inline constexpr uint32_t kWmDirectLog = kWmUser + 2;
inline constexpr int32_t kLogSeqLast = 999999;

// Formats with printf rules; with timestamp set the 25-character local time
// stamp "[YYYY-MM-DD hh:mm:ss.mmm]" goes directly in front of the message.
void WriteLog(uint32_t flags, bool timestamp, bool logSwitch, CWnd* window, const char* format, ...)
    QV_PRINTF_FORMAT(5, 6);

void WriteLogV(uint32_t flags, bool timestamp, bool logSwitch, CWnd* window, const char* format, va_list args)
    QV_PRINTF_FORMAT(5, 0);

// Delivers one finished text to the window's log control.
void AppendLogText(CWnd* window, const std::string& text);

// WM_USER+1 handler of the main window. When the text numbered lParam is
// still parked, every parked text is appended in the order it was parked,
// with one replacement of the selection: the same bytes as one message at a
// time, and the later messages then find nothing.
LResult OnAsyncLog(CWnd* window, WParam wParam, LParam lParam);

// On the user-interface thread: appends whatever is parked, then text in the
// given code page, so that the text keeps its place after the lines written
// before it.
void AppendLogTextInCodePage(CWnd* window, const std::string& text, uint32_t codePage);

// WM_USER+2 handler of the main window: appends the text lParam points to
// in one go and returns 1. A window that does not route the message (one
// without a thread of its own) gets the text through its log control
// directly.
LResult OnDirectLog(CWnd* window, WParam wParam, LParam lParam);

// The stamp for a given time, exactly 25 characters.
std::string FormatLogTimestamp(const SystemTime& time);

// Whether the appender may join texts that are waiting into one append
// (on by default). Off, every text is appended on its own, as it was
// handed over; for measuring what the joining saves.
void SetLogCoalescing(bool on);

// State of the deferred mode, for tests.
int32_t PendingLogSequence();
size_t PendingLogCount();

}  // namespace qv
