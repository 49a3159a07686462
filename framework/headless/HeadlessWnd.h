// An in-memory window: a dialog or one of its controls, owned by the thread
// that made it. Tests click, type and read through it; messages from other
// threads are handled when the owner pumps (PumpMessages, or a pumping wait
// such as CWinThread::WaitForThread).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "framework/Wnd.h"
#include "framework/headless/EditText.h"

namespace qv {

class HeadlessMessageQueue;

class CHeadlessWnd : public CWnd {
public:
    CHeadlessWnd();
    ~CHeadlessWnd() override;

    // Adds a child control; an edit control answers the edit messages, a
    // check box the check state messages.
    enum class Kind { Plain, Edit, CheckBox };
    CHeadlessWnd& AddControl(int id, Kind kind = Kind::Plain);

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

    // The owner thread's handling of one message.
    LResult Dispatch(uint32_t message, WParam wParam, LParam lParam);

private:
    bool OnOwnerThread() const;

    std::shared_ptr<HeadlessMessageQueue> m_queue;
    std::map<int, std::unique_ptr<CHeadlessWnd>> m_controls;
    Kind m_kind = Kind::Plain;
    EditText m_text;
    bool m_bEnabled = true;
    bool m_bVisible = true;
    int m_nCheck = 0;
};

// Handles every message waiting for the calling thread (sent first, then
// posted). Returns whether any was handled.
bool PumpMessages();
// Pumps until done() or the real time-out; returns done().
bool PumpMessagesUntil(const std::function<bool()>& done, uint32_t milliseconds);

// Answers for the message boxes of the headless backend. Without a handler a
// box is answered with its first button (OK or Yes) and its text goes to
// standard error.
using MessageBoxHandler = std::function<int(CWnd* owner, const std::string& text, const std::string& caption,
                                            uint32_t type)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace qv
