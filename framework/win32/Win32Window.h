// A CWnd over a real window handle: the controls of a dialog and the dialog
// window itself. Every call is the Win32 call on the handle, so it works
// from any thread (a send from another thread waits for the owner).
#pragma once

#include "framework/Wnd.h"
#include "platform/win32/WinApi.h"

namespace qv {

class CWin32Wnd : public CWnd {
public:
    explicit CWin32Wnd(HWND window = nullptr) : m_hWnd(window) {}

    void Attach(HWND window) { m_hWnd = window; }
    HWND Handle() const { return m_hWnd; }

    CWnd* GetDlgItem(int id) const override;
    LResult SendMessage(uint32_t message, WParam wParam = 0, LParam lParam = 0) override;
    bool PostMessage(uint32_t message, WParam wParam = 0, LParam lParam = 0) override;
    void SetWindowText(const std::string& text) override;
    std::string GetWindowText() const override;
    int GetWindowTextLength() const override;
    void EnableWindow(bool enable) override;
    bool IsWindowEnabled() const override;
    void ShowWindow(bool show) override;
    bool IsWindowVisible() const override;
    uintptr_t GetSafeHwnd() const override { return reinterpret_cast<uintptr_t>(m_hWnd); }

private:
    HWND m_hWnd;
};

}  // namespace qv
