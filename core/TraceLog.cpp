#include "core/TraceLog.h"

#include <cstdarg>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "core/LogDeferral.h"
#include "core/OptionFlags.h"
#include "core/StringFormat.h"
#include "platform/Platform.h"

namespace qv {

namespace {

// The deferred mode's state. The writing thread stores and the user-interface
// thread takes out; the mutex is held only for the map operation, never
// while a message is sent.
std::mutex g_pendingLogMutex;
int32_t g_nLogSeq = 0;
std::map<int32_t, std::string> g_mapPendingLog;

// Lines written while this thread holds a tracer table lock.
thread_local int t_deferralDepth = 0;
// A pointer rather than an object: MinGW's emulated thread-local storage can
// free a thread's variables before their destructors run at thread exit.
using DeferredLines = std::vector<std::pair<CWnd*, std::string>>;
thread_local DeferredLines* t_deferredLines = nullptr;

void AppendToEdit(CWnd* window, const std::string& text) {
    CWnd* edit = window->GetDlgItem(kLogEditId);
    if (edit == nullptr) return;
    const auto length = static_cast<WParam>(edit->GetWindowTextLength());
    edit->SendMessage(kEmSetSel, length, static_cast<LParam>(length));
    edit->SendMessage(kEmReplaceSel, 0, reinterpret_cast<LParam>(text.c_str()));
}

}  // namespace

std::string FormatLogTimestamp(const SystemTime& time) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "[%04d-%02d-%02d %02d:%02d:%02d.%03d]", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
    return stamp;
}

void WriteLog(uint32_t flags, bool timestamp, bool logSwitch, CWnd* window, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLogV(flags, timestamp, logSwitch, window, format, args);
    va_end(args);
}

void WriteLogV(uint32_t flags, bool timestamp, bool logSwitch, CWnd* window, const char* format, va_list args) {
    std::string message = FormatStringV(format, args);
    std::string text = timestamp ? FormatLogTimestamp(Platform().GetLocalTime()) + message : std::move(message);
    if ((flags & kLogToWindow) && logSwitch && window != nullptr) AppendLogText(window, text);
    if (flags & kLogToMessageBox) MessageBox(nullptr, text.c_str(), "Message", kMbOk);
}

void AppendLogText(CWnd* window, const std::string& text) {
    if (window == nullptr) return;
    if (t_deferralDepth > 0) {
        if (t_deferredLines == nullptr) t_deferredLines = new DeferredLines;
        t_deferredLines->emplace_back(window, text);
        return;
    }
    if (g_bAsynMsg) {
        int32_t sequence;
        {
            std::lock_guard lock(g_pendingLogMutex);
            g_nLogSeq = g_nLogSeq < kLogSeqLast ? g_nLogSeq + 1 : 0;
            sequence = g_nLogSeq;
            g_mapPendingLog[sequence] = text;
        }
        window->PostMessage(kWmAsyncLog, 0, sequence);
        return;
    }
    // Selecting the end and replacing the selection are two messages: made
    // on the window's thread inside one, no other line can come between.
    if (window->SendMessage(kWmDirectLog, 0, reinterpret_cast<LParam>(&text)) == 0) AppendToEdit(window, text);
}

LResult OnDirectLog(CWnd* window, WParam, LParam lParam) {
    AppendToEdit(window, *reinterpret_cast<const std::string*>(lParam));
    return 1;
}

LResult OnAsyncLog(CWnd* window, WParam, LParam lParam) {
    std::string text;
    {
        std::lock_guard lock(g_pendingLogMutex);
        const auto found = g_mapPendingLog.find(static_cast<int32_t>(lParam));
        if (found == g_mapPendingLog.end()) return 0;
        text = std::move(found->second);
        g_mapPendingLog.erase(found);
    }
    AppendToEdit(window, text);
    return 0;
}

int32_t PendingLogSequence() {
    std::lock_guard lock(g_pendingLogMutex);
    return g_nLogSeq;
}

size_t PendingLogCount() {
    std::lock_guard lock(g_pendingLogMutex);
    return g_mapPendingLog.size();
}

void BeginLogDeferral() { ++t_deferralDepth; }

void EndLogDeferral() {
    if (--t_deferralDepth > 0) return;
    const std::unique_ptr<DeferredLines> lines(t_deferredLines);
    t_deferredLines = nullptr;
    if (lines == nullptr) return;
    for (const auto& [window, text] : *lines) AppendLogText(window, text);
}

}  // namespace qv
