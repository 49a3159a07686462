// CDialog: a modal dialog made from a template, in MFC's shape. DoModal
// creates the backend's window, runs OnInitDialog, then handles messages
// until EndDialog. The dialog's own WindowProc sees the messages with the
// portable notification records of Messages.h; a derived dialog answers
// them from its message map (OnWndMsg) and leaves the rest to the base,
// which closes the dialog on the OK and Cancel commands.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/DialogTemplate.h"
#include "framework/WndProxy.h"

namespace qv {

class CDialog;
class CListCtrl;

// The backend's window of one dialog run: the dialog's CWnd operations, its
// controls, timers and the modal loop.
class DialogWindow : public CWndProxy {
public:
    // Makes the window and runs the dialog's initialisation; no loop.
    virtual bool Create() = 0;
    // Create, then the modal loop until End; the result given to End.
    virtual intptr_t RunModal() = 0;
    virtual void End(intptr_t result) = 0;
    virtual uintptr_t SetTimer(uintptr_t id, uint32_t milliseconds) = 0;
    virtual bool KillTimer(uintptr_t id) = 0;
    // Attaches the list view control id to control; its notifications reach
    // the control first, then the dialog as WM_NOTIFY.
    virtual void BindListControl(int id, CListCtrl& control) = 0;
};

// Made by the backend that the program links.
std::unique_ptr<DialogWindow> CreateDialogWindow(CDialog& dialog, const DialogTemplate& dialogTemplate,
                                                 CWnd* parent);

// An icon resource of the program (0 when there is none).
using IconHandle = uintptr_t;
IconHandle LoadIconResource(int id);

class CDialog : public CWndProxy {
public:
    explicit CDialog(const DialogTemplate& dialogTemplate, CWnd* parent = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    intptr_t DoModal();
    void EndDialog(intptr_t result);
    // A modeless run: the window is made and initialised, and messages are
    // handled by whatever loop the thread runs, until DestroyWindow.
    bool Create();
    void DestroyWindow();

    // The base runs the data exchange first.
    virtual bool OnInitDialog();
    // Binds controls to members (DDX_Control); called by OnInitDialog.
    virtual void DoDataExchange();
    void DDX_Control(int id, CListCtrl& control);
    virtual void OnOK();
    virtual void OnCancel();

    // The dialog's handling of one message; false leaves it to the default.
    virtual bool OnWndMsg(uint32_t message, WParam wParam, LParam lParam, LResult& result);
    LResult WindowProc(uint32_t message, WParam wParam, LParam lParam) override;

    uintptr_t SetTimer(uintptr_t id, uint32_t milliseconds);
    bool KillTimer(uintptr_t id);
    void SetIcon(IconHandle icon, bool big);
    void CheckDlgButton(int id, int state);
    int IsDlgButtonChecked(int id) const;
    // A box owned by this dialog, captioned with the application's title
    // unless a caption is given.
    int MessageBox(const char* text, const char* caption = nullptr, uint32_t type = kMbOk);

    // The window of the present run; null before DoModal and after it.
    DialogWindow* Window() const { return m_window.get(); }
    const DialogTemplate& Template() const { return m_template; }

protected:
    CWnd* Target() const override { return m_window.get(); }

private:
    const DialogTemplate& m_template;
    CWnd* m_parent;
    std::unique_ptr<DialogWindow> m_window;
};

}  // namespace qv
