#include "core/TraceLog.h"

#include <atomic>
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

std::atomic<bool> g_bCoalesceLog{true};

// Lines written while this thread holds a tracer table lock.
thread_local int t_deferralDepth = 0;
// A pointer rather than an object: MinGW's emulated thread-local storage can
// free a thread's variables before their destructors run at thread exit.
using DeferredLines = std::vector<std::pair<CWnd*, std::string>>;
thread_local DeferredLines* t_deferredLines = nullptr;

// Code page 0: the text is in the system's code page.
void AppendToEdit(CWnd* window, const std::string& text, uint32_t codePage = 0) {
    CWnd* edit = window->GetDlgItem(kLogEditId);
    if (edit == nullptr || text.empty()) return;
    AppendEditText(edit, text, codePage);
}

// Every parked text, oldest first, as one text; the map is left empty. The
// numbers wrap after kLogSeqLast, so the oldest texts are those numbered
// above the last number given out, then those from 0 up to it.
std::string TakeAllPendingLocked() {
    std::string joined;
    const auto newest = g_mapPendingLog.upper_bound(g_nLogSeq);
    for (auto entry = newest; entry != g_mapPendingLog.end(); ++entry) joined += entry->second;
    for (auto entry = g_mapPendingLog.begin(); entry != newest; ++entry) joined += entry->second;
    g_mapPendingLog.clear();
    return joined;
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
        const auto entry = g_mapPendingLog.find(static_cast<int32_t>(lParam));
        if (entry == g_mapPendingLog.end()) return 0;
        if (g_bCoalesceLog) {
            text = TakeAllPendingLocked();
        } else {
            text = std::move(entry->second);
            g_mapPendingLog.erase(entry);
        }
    }
    AppendToEdit(window, text);
    return 0;
}

void AppendLogTextInCodePage(CWnd* window, const std::string& text, uint32_t codePage) {
    if (window == nullptr) return;
    std::string parked;
    {
        std::lock_guard lock(g_pendingLogMutex);
        parked = TakeAllPendingLocked();
    }
    AppendToEdit(window, parked);
    AppendToEdit(window, text, codePage);
}

void SetLogCoalescing(bool on) { g_bCoalesceLog = on; }

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
    // Consecutive lines for one window go out as one text: the same bytes
    // with one append instead of one each.
    for (size_t first = 0; first < lines->size();) {
        CWnd* window = (*lines)[first].first;
        std::string text = std::move((*lines)[first].second);
        size_t next = first + 1;
        for (; g_bCoalesceLog && next < lines->size() && (*lines)[next].first == window; ++next) {
            text += (*lines)[next].second;
        }
        AppendLogText(window, text);
        first = next;
    }
}

}  // namespace qv
