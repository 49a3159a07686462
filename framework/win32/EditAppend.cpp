#include "framework/win32/EditAppend.h"

#include <atomic>
#include <map>
#include <string>

#include "framework/Wnd.h"

#include <commctrl.h>

namespace qv {

namespace {

// A timer message comes only when the thread's queue holds nothing else, so
// collected text goes in once what is waiting is handled, at most one slice
// of kSliceLines lines a tick: each replacement costs about 15 ms under Wine
// plus a little per line, so few large ones keep up with a flood of lines,
// and the slice bound keeps the window answering meanwhile.
constexpr UINT_PTR kFlushTimerId = 0x5157;
constexpr UINT_PTR kReaderSubclassId = 0x5157;
constexpr UINT kFlushPeriodMs = 100;
constexpr size_t kSliceLines = 200;

// Collected wide text of an edit; the part before done is in already.
struct PendingText {
    std::wstring text;
    size_t done = 0;
};

std::atomic<bool> g_bJoinAppends{true};

// Touched only on the thread that owns the edits it names.
std::map<HWND, PendingText> g_pending;
// Set while a flush replaces text: the edit's own length query must not
// start another.
bool g_bFlushing = false;

std::wstring Widen(const std::string& text, uint32_t codePage) {
    const UINT page = codePage == 0 ? CP_ACP : codePage;
    const int length = ::MultiByteToWideChar(page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(page, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

void ReplaceAtEnd(HWND edit, const wchar_t* text) {
    const auto length = static_cast<WPARAM>(::GetWindowTextLengthW(edit));
    ::SendMessageW(edit, EM_SETSEL, length, static_cast<LPARAM>(length));
    ::SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

// The end of the slice that starts at from: after its kSliceLines-th line end.
size_t SliceEnd(const std::wstring& text, size_t from) {
    size_t end = from;
    for (size_t lines = 0; lines < kSliceLines && end < text.size(); ++lines) {
        const size_t lineEnd = text.find(L'\n', end);
        end = lineEnd == std::wstring::npos ? text.size() : lineEnd + 1;
    }
    return end;
}

// One slice, or everything when all is set.
void Flush(HWND edit, bool all) {
    const auto found = g_pending.find(edit);
    if (found == g_pending.end()) return;
    if (g_bFlushing) return;
    PendingText& pending = found->second;
    const bool alive = ::IsWindow(edit) != FALSE;
    if (alive) {
        const size_t end = all ? pending.text.size() : SliceEnd(pending.text, pending.done);
        const std::wstring slice = pending.text.substr(pending.done, end - pending.done);
        pending.done = end;
        g_bFlushing = true;
        ReplaceAtEnd(edit, slice.c_str());
        g_bFlushing = false;
    }
    if (!alive || pending.done >= pending.text.size()) {
        ::KillTimer(edit, kFlushTimerId);
        g_pending.erase(found);
    }
}

void CALLBACK OnFlushTimer(HWND edit, UINT, UINT_PTR, DWORD) { Flush(edit, false); }

// Whoever reads the edit's text (a program driving the window, a test)
// reads it whole: what is collected goes in first.
LRESULT CALLBACK ReaderProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_GETTEXT || message == WM_GETTEXTLENGTH) Flush(edit, true);
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(edit, &ReaderProc, kReaderSubclassId);
    return ::DefSubclassProc(edit, message, wParam, lParam);
}

bool OwnedByThisThread(HWND window) { return ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId(); }

}  // namespace

void FlushEditText(HWND edit) {
    if (OwnedByThisThread(edit)) Flush(edit, true);
}

void SetEditTextJoining(bool on) { g_bJoinAppends = on; }

void AppendEditText(CWnd* edit, const std::string& text, uint32_t codePage) {
    if (edit == nullptr || text.empty()) return;
    const auto window = reinterpret_cast<HWND>(edit->GetSafeHwnd());
    const std::wstring wide = Widen(text, codePage);
    // A window without a handle, or bytes the code page can't convert: the
    // edit's own messages with the bytes as they are.
    if (window == nullptr || wide.empty()) {
        ReplaceEditEnd(edit, text);
        return;
    }
    // Only the owner's thread can keep a timer on the window. The log path
    // appends on that thread (other threads send their lines there); a
    // caller elsewhere gets the plain replacement, its sends waiting for
    // the owner.
    if (!OwnedByThisThread(window)) {
        ReplaceAtEnd(window, wide.c_str());
        return;
    }
    if (!g_bJoinAppends) {
        Flush(window, true);
        ReplaceAtEnd(window, wide.c_str());
        return;
    }
    PendingText& pending = g_pending[window];
    if (pending.text.empty()) {
        ::SetWindowSubclass(window, &ReaderProc, kReaderSubclassId, 0);
        ::SetTimer(window, kFlushTimerId, kFlushPeriodMs, &OnFlushTimer);
    }
    // What is in already goes, so that the text kept stays what is waiting.
    if (pending.done > 0) {
        pending.text.erase(0, pending.done);
        pending.done = 0;
    }
    pending.text += wide;
}

}  // namespace qv
