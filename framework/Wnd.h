// Windows, controls and messages, in place of MFC's CWnd. A window is an
// object with a message handler; backends (headless, win32) deliver messages
// to it on the thread that owns it. SendMessage from another thread waits
// until the owner has handled the message, as on Windows.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

inline constexpr uint32_t kWmSetText = 0x000C;
inline constexpr uint32_t kWmGetText = 0x000D;
inline constexpr uint32_t kWmGetTextLength = 0x000E;
inline constexpr uint32_t kWmTimer = 0x0113;
inline constexpr uint32_t kWmUser = 0x0400;
inline constexpr uint32_t kEmSetSel = 0x00B1;
inline constexpr uint32_t kEmReplaceSel = 0x00C2;
inline constexpr uint32_t kEmSetLimitText = 0x00C5;

// Message box styles and answers.
inline constexpr uint32_t kMbOk = 0x0;
inline constexpr uint32_t kMbOkCancel = 0x1;
inline constexpr uint32_t kMbYesNo = 0x4;
inline constexpr uint32_t kMbIconError = 0x10;
inline constexpr uint32_t kMbIconQuestion = 0x20;
inline constexpr uint32_t kMbIconWarning = 0x30;
inline constexpr uint32_t kMbIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class CWnd {
public:
    virtual ~CWnd() = default;

    // A child control by its id, or null.
    virtual CWnd* GetDlgItem(int id) const = 0;
    virtual LResult SendMessage(uint32_t message, WParam wParam = 0, LParam lParam = 0) = 0;
    virtual bool PostMessage(uint32_t message, WParam wParam = 0, LParam lParam = 0) = 0;
    virtual void SetWindowText(const std::string& text) = 0;
    virtual std::string GetWindowText() const = 0;
    virtual int GetWindowTextLength() const = 0;
    virtual void EnableWindow(bool enable) = 0;
    virtual bool IsWindowEnabled() const = 0;
    virtual void ShowWindow(bool show) = 0;
    virtual bool IsWindowVisible() const = 0;
    // The native window handle where the backend has one, else 0.
    virtual uintptr_t GetSafeHwnd() const { return 0; }

    // The window's own handling of a message, called by the backend on the
    // owning thread. Controls answer their standard messages in the backend;
    // a dialog overrides this for its own (WM_USER+1, timers).
    virtual LResult WindowProc(uint32_t message, WParam wParam, LParam lParam);
};

// MessageBoxA: owner may be null. Blocks the calling thread until answered.
int MessageBox(CWnd* owner, const char* text, const char* caption, uint32_t type);

// Appends text at the end of an edit control (the log), in the given code
// page (0: the system's), so that it reads correctly whatever the system's
// code page is.
void AppendEditText(CWnd* edit, const std::string& text, uint32_t codePage);
// The append as the edit's own messages: the selection put at the end of
// its text, then replaced with text.
void ReplaceEditEnd(CWnd* edit, const std::string& text);

// The application's main window (CWinThread::GetMainWnd, AfxGetMainWnd).
CWnd* AfxGetMainWnd();
void AfxSetMainWnd(CWnd* window);

}  // namespace qv
