// The real dialog: created from the program's resource template by id, its
// dialog procedure handing every message to the CDialog with the portable
// notification records. It is made as a Unicode window, so that its edit
// controls hold wide text: ANSI texts are converted from the system's code
// page as they arrive, and a text of another code page (the jokes) can be
// shown as it reads.
#include <map>
#include <memory>

#include "framework/Dialog.h"
#include "framework/ListCtrl.h"
#include "framework/Messages.h"
#include "framework/win32/Win32ListView.h"
#include "framework/win32/Win32Window.h"

#include <commctrl.h>

namespace qv {

namespace {

class CWin32DialogWindow : public DialogWindow {
public:
    CWin32DialogWindow(CDialog& dialog, const DialogTemplate& dialogTemplate, CWnd* parent)
        : m_dialog(dialog), m_template(dialogTemplate), m_parent(parent) {}

    ~CWin32DialogWindow() override {
        if (!m_bModal && m_window.Handle() != nullptr) ::DestroyWindow(m_window.Handle());
    }

    bool Create() override {
        m_bModal = false;
        return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_template.id), ParentHandle(),
                                    &DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
    }

    intptr_t RunModal() override {
        m_bModal = true;
        return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_template.id), ParentHandle(),
                                 &DialogProc, reinterpret_cast<LPARAM>(this));
    }

    void End(intptr_t result) override {
        if (m_bModal) {
            ::EndDialog(m_window.Handle(), result);
        } else {
            ::DestroyWindow(m_window.Handle());
            m_window.Attach(nullptr);
        }
    }

    uintptr_t SetTimer(uintptr_t id, uint32_t milliseconds) override {
        return ::SetTimer(m_window.Handle(), id, milliseconds, nullptr);
    }

    bool KillTimer(uintptr_t id) override { return ::KillTimer(m_window.Handle(), id) != FALSE; }

    void BindListControl(int id, CListCtrl& control) override {
        if (HWND list = ::GetDlgItem(m_window.Handle(), id)) {
            control.Attach(std::make_unique<CWin32ListView>(list, &m_notifySink));
        }
    }

    // The controls are wrapped once, when the window is made, so that any
    // thread may look one up afterwards without a lock.
    CWnd* GetDlgItem(int id) const override {
        const auto found = m_controls.find(id);
        return found == m_controls.end() ? nullptr : found->second.get();
    }
protected:
    CWnd* Target() const override { return &m_window; }

private:
    HWND ParentHandle() const {
        return m_parent ? reinterpret_cast<HWND>(m_parent->GetSafeHwnd()) : nullptr;
    }

    void Bind(HWND window) {
        m_window.Attach(window);
        for (const ControlTemplate& control : m_template.controls) {
            if (HWND item = ::GetDlgItem(window, control.id)) m_controls[control.id] = std::make_unique<CWin32Wnd>(item);
        }
    }

    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) {
        LResult result = 0;
        if (message == WM_COMMAND || message == WM_TIMER) {
            m_dialog.WindowProc(message, wParam, lParam);
            return TRUE;
        }
        if (message == WM_NOTIFY && RouteListViewNotify(lParam, result)) {
            ::SetWindowLongPtrA(m_window.Handle(), DWLP_MSGRESULT, result);
            return TRUE;
        }
        if (message == WM_NOTIFY) {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            ListNotify notification;
            notification.idFrom = header->idFrom;
            notification.code = header->code;
            if (header->code == LVN_ITEMCHANGED || header->code == LVN_COLUMNCLICK) {
                const auto* item = reinterpret_cast<const NMLISTVIEW*>(lParam);
                notification.iItem = item->iItem;
                notification.iSubItem = item->iSubItem;
                notification.uNewState = item->uNewState;
                notification.uOldState = item->uOldState;
                notification.uChanged = item->uChanged;
                notification.lParam = item->lParam;
            }
            if (!m_dialog.OnWndMsg(message, wParam, reinterpret_cast<LParam>(&notification), result)) return FALSE;
        } else if (!m_dialog.OnWndMsg(message, wParam, lParam, result)) {
            return FALSE;
        }
        ::SetWindowLongPtrA(m_window.Handle(), DWLP_MSGRESULT, result);
        return TRUE;
    }

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            auto* self = reinterpret_cast<CWin32DialogWindow*>(lParam);
            ::SetWindowLongPtrA(window, DWLP_USER, lParam);
            self->Bind(window);
            return self->m_dialog.OnInitDialog() ? TRUE : FALSE;
        }
        auto* self = reinterpret_cast<CWin32DialogWindow*>(::GetWindowLongPtrA(window, DWLP_USER));
        if (self == nullptr || self->m_window.Handle() != window) return FALSE;
        return self->Handle(message, wParam, lParam);
    }

    CDialog& m_dialog;
    const DialogTemplate& m_template;
    CWnd* m_parent;
    // Where a bound list's notifications go once its control has left them:
    // straight into the dialog's handling, on this thread, in the
    // framework's form (not back through the window procedure).
    class NotifySink : public CWndProxy {
    public:
        explicit NotifySink(CWin32DialogWindow& owner) : m_owner(owner) {}
        LResult SendMessage(uint32_t message, WParam wParam, LParam lParam) override {
            return m_owner.m_dialog.WindowProc(message, wParam, lParam);
        }

    protected:
        CWnd* Target() const override { return &m_owner.m_window; }

    private:
        CWin32DialogWindow& m_owner;
    };

    mutable CWin32Wnd m_window;
    NotifySink m_notifySink{*this};
    std::map<int, std::unique_ptr<CWin32Wnd>> m_controls;
    bool m_bModal = true;
};

}  // namespace

std::unique_ptr<DialogWindow> CreateDialogWindow(CDialog& dialog, const DialogTemplate& dialogTemplate,
                                                 CWnd* parent) {
    return std::make_unique<CWin32DialogWindow>(dialog, dialogTemplate, parent);
}

IconHandle LoadIconResource(int id) {
    return reinterpret_cast<IconHandle>(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)));
}

// The system's code page: the edit's ANSI messages, which convert from it.
// Another: converted here, so that the text reads as it was written.
void AppendEditText(CWnd* edit, const std::string& text, uint32_t codePage) {
    if (edit == nullptr) return;
    const auto window = reinterpret_cast<HWND>(edit->GetSafeHwnd());
    const int length = codePage == 0 ? 0 : ::MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
    if (window == nullptr || length <= 0) {
        ReplaceEditEnd(edit, text);
        return;
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.c_str(), -1, wide.data(), length);
    const auto end = static_cast<WPARAM>(::GetWindowTextLengthW(window));
    ::SendMessageW(window, EM_SETSEL, end, static_cast<LPARAM>(end));
    ::SendMessageW(window, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
}

}  // namespace qv
