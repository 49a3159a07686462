// A window that stands for another: every CWnd operation goes to the window
// that Target() gives, and does nothing (or answers empty) while there is
// none. A dialog stands for its backend window this way, and a backend's
// dialog window for the native or in-memory window under it.
#pragma once

#include "framework/Wnd.h"

namespace qv {

class CWndProxy : public CWnd {
public:
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
    uintptr_t GetSafeHwnd() const override;

protected:
    virtual CWnd* Target() const = 0;
};

}  // namespace qv
