// A window without a screen whose log control (1010) writes every appended
// text to a stream or keeps it in memory. Used by the command-line tool
// (standard output) and by tests that read what a report wrote. It has no
// owning thread: messages are handled at once, under a lock, on the calling
// thread; a posted message is handled at once too.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "framework/Wnd.h"

namespace qv {

class CTextLogWindow : public CWnd {
public:
    // With out null, the text is only kept (Text()). logControlId is the id
    // under which GetDlgItem hands out the log control.
    explicit CTextLogWindow(std::FILE* out = nullptr, int logControlId = 1010);
    ~CTextLogWindow() override;

    std::string Text() const;
    void Clear();

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

private:
    class LogEdit;
    std::unique_ptr<LogEdit> m_edit;
    int m_logControlId;
};

}  // namespace qv
