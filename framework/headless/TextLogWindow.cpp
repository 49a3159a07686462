#include "framework/headless/TextLogWindow.h"

#include "framework/headless/EditText.h"

namespace qv {

class CTextLogWindow::LogEdit final : public CWnd {
public:
    explicit LogEdit(std::FILE* out) { m_text.SetEcho(out); }

    CWnd* GetDlgItem(int) const override { return nullptr; }
    LResult SendMessage(uint32_t message, WParam wParam, LParam lParam) override {
        std::lock_guard lock(m_mutex);
        bool handled = false;
        return m_text.Handle(message, wParam, lParam, handled);
    }
    bool PostMessage(uint32_t message, WParam wParam, LParam lParam) override {
        SendMessage(message, wParam, lParam);
        return true;
    }
    void SetWindowText(const std::string& text) override {
        std::lock_guard lock(m_mutex);
        m_text.SetText(text);
    }
    std::string GetWindowText() const override {
        std::lock_guard lock(m_mutex);
        return m_text.Text();
    }
    int GetWindowTextLength() const override {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(m_text.Text().size());
    }
    void EnableWindow(bool) override {}
    bool IsWindowEnabled() const override { return true; }
    void ShowWindow(bool) override {}
    bool IsWindowVisible() const override { return true; }

private:
    mutable std::mutex m_mutex;
    EditText m_text;
};

CTextLogWindow::CTextLogWindow(std::FILE* out, int logControlId)
    : m_edit(std::make_unique<LogEdit>(out)), m_logControlId(logControlId) {}
CTextLogWindow::~CTextLogWindow() = default;

std::string CTextLogWindow::Text() const { return m_edit->GetWindowText(); }
void CTextLogWindow::Clear() { m_edit->SetWindowText(""); }

CWnd* CTextLogWindow::GetDlgItem(int id) const { return id == m_logControlId ? m_edit.get() : nullptr; }
LResult CTextLogWindow::SendMessage(uint32_t message, WParam wParam, LParam lParam) {
    return WindowProc(message, wParam, lParam);
}
bool CTextLogWindow::PostMessage(uint32_t message, WParam wParam, LParam lParam) {
    WindowProc(message, wParam, lParam);
    return true;
}
void CTextLogWindow::SetWindowText(const std::string&) {}
std::string CTextLogWindow::GetWindowText() const { return {}; }
int CTextLogWindow::GetWindowTextLength() const { return 0; }
void CTextLogWindow::EnableWindow(bool) {}
bool CTextLogWindow::IsWindowEnabled() const { return true; }
void CTextLogWindow::ShowWindow(bool) {}
bool CTextLogWindow::IsWindowVisible() const { return true; }

}  // namespace qv
