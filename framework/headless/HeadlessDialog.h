// The headless dialog: controls in memory, built from the dialog's template,
// owned by the thread that opened it. A test (or a tool) works it as a user
// would: clicks a button that is visible and enabled, fires a timer, selects
// a list row through its notification, reads texts and states.
#pragma once

#include <functional>
#include <map>
#include <memory>

#include "framework/Dialog.h"
#include "framework/Messages.h"
#include "framework/headless/HeadlessListView.h"
#include "framework/headless/HeadlessWnd.h"

namespace qv {

class CHeadlessDialogWindow : public DialogWindow {
public:
    CHeadlessDialogWindow(CDialog& dialog, const DialogTemplate& dialogTemplate);
    ~CHeadlessDialogWindow() override;

    bool Create() override;
    intptr_t RunModal() override;
    void End(intptr_t result) override;
    uintptr_t SetTimer(uintptr_t id, uint32_t milliseconds) override;
    bool KillTimer(uintptr_t id) override;
    void BindListControl(int id, CListCtrl& control) override;

    // A user's click on a button: false (and nothing sent) when the control
    // is missing, hidden, disabled or not a button. A check box changes its
    // state first.
    bool Click(int id);
    void FireTimer(uintptr_t id);
    LResult Notify(const ListNotify& notification);
    // The close box: WM_COMMAND with the cancel id, as the system sends it.
    void Close();

    bool IsEnded() const { return m_bEnded; }
    intptr_t Result() const { return m_result; }
    // The period of a running timer, 0 when it isn't running.
    uint32_t TimerPeriod(uintptr_t id) const;
    IconHandle Icon(bool big) const;
    // The in-memory view of a bound list, for clicks on its rows; null when
    // none is bound to id.
    CHeadlessListView* ListView(int id) const;

protected:
    CWnd* Target() const override;

private:
    class Host;
    CDialog& m_dialog;
    const DialogTemplate& m_template;
    std::unique_ptr<Host> m_host;
    std::map<uintptr_t, uint32_t> m_timers;
    std::map<int, CHeadlessListView*> m_listViews;
    bool m_bEnded = false;
    intptr_t m_result = 0;
};

// The headless window of a dialog that is open (Create or DoModal).
CHeadlessDialogWindow& Headless(CDialog& dialog);

// Called with every dialog that a modal run has just initialised, before its
// loop starts: a test answers a child dialog here.
using DialogOpenHandler = std::function<void(CDialog& dialog)>;
void SetDialogOpenHandler(DialogOpenHandler handler);

}  // namespace qv
