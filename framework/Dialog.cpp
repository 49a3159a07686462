#include "framework/Dialog.h"

#include "framework/Messages.h"
#include "framework/WinApp.h"

namespace qv {

CDialog::CDialog(const DialogTemplate& dialogTemplate, CWnd* parent) : m_template(dialogTemplate), m_parent(parent) {}

CDialog::~CDialog() = default;

intptr_t CDialog::DoModal() {
    m_window = CreateDialogWindow(*this, m_template, m_parent);
    const intptr_t result = m_window->RunModal();
    m_window.reset();
    return result;
}

bool CDialog::Create() {
    m_window = CreateDialogWindow(*this, m_template, m_parent);
    if (m_window->Create()) return true;
    m_window.reset();
    return false;
}

void CDialog::DestroyWindow() { m_window.reset(); }

void CDialog::EndDialog(intptr_t result) {
    if (m_window) m_window->End(result);
}

bool CDialog::OnInitDialog() {
    DoDataExchange();
    return true;
}

void CDialog::DoDataExchange() {}

void CDialog::DDX_Control(int id, CListCtrl& control) {
    if (m_window) m_window->BindListControl(id, control);
}
void CDialog::OnOK() { EndDialog(kIdOk); }
void CDialog::OnCancel() { EndDialog(kIdCancel); }

bool CDialog::OnWndMsg(uint32_t, WParam, LParam, LResult&) { return false; }

LResult CDialog::WindowProc(uint32_t message, WParam wParam, LParam lParam) {
    LResult result = 0;
    if (OnWndMsg(message, wParam, lParam, result)) return result;
    if (message == kWmCommand && CommandCode(wParam) == kBnClicked) {
        if (CommandId(wParam) == kIdOk) OnOK();
        if (CommandId(wParam) == kIdCancel) OnCancel();
    }
    return 0;
}

uintptr_t CDialog::SetTimer(uintptr_t id, uint32_t milliseconds) {
    return m_window ? m_window->SetTimer(id, milliseconds) : 0;
}

bool CDialog::KillTimer(uintptr_t id) { return m_window && m_window->KillTimer(id); }

void CDialog::SetIcon(IconHandle icon, bool big) {
    SendMessage(kWmSetIcon, big ? kIconBig : kIconSmall, static_cast<LParam>(icon));
}

void CDialog::CheckDlgButton(int id, int state) {
    if (CWnd* button = GetDlgItem(id)) button->SendMessage(kBmSetCheck, static_cast<WParam>(state));
}

int CDialog::IsDlgButtonChecked(int id) const {
    CWnd* button = GetDlgItem(id);
    return button ? static_cast<int>(button->SendMessage(kBmGetCheck)) : kBstUnchecked;
}

int CDialog::MessageBox(const char* text, const char* caption, uint32_t type) {
    return qv::MessageBox(this, text, caption ? caption : AfxGetAppName(), type);
}

}  // namespace qv
