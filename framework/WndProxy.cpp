#include "framework/WndProxy.h"

namespace qv {

CWnd* CWndProxy::GetDlgItem(int id) const {
    CWnd* target = Target();
    return target ? target->GetDlgItem(id) : nullptr;
}

LResult CWndProxy::SendMessage(uint32_t message, WParam wParam, LParam lParam) {
    CWnd* target = Target();
    return target ? target->SendMessage(message, wParam, lParam) : 0;
}

bool CWndProxy::PostMessage(uint32_t message, WParam wParam, LParam lParam) {
    CWnd* target = Target();
    return target && target->PostMessage(message, wParam, lParam);
}

void CWndProxy::SetWindowText(const std::string& text) {
    if (CWnd* target = Target()) target->SetWindowText(text);
}

std::string CWndProxy::GetWindowText() const {
    CWnd* target = Target();
    return target ? target->GetWindowText() : std::string();
}

int CWndProxy::GetWindowTextLength() const {
    CWnd* target = Target();
    return target ? target->GetWindowTextLength() : 0;
}

void CWndProxy::EnableWindow(bool enable) {
    if (CWnd* target = Target()) target->EnableWindow(enable);
}

bool CWndProxy::IsWindowEnabled() const {
    CWnd* target = Target();
    return target && target->IsWindowEnabled();
}

void CWndProxy::ShowWindow(bool show) {
    if (CWnd* target = Target()) target->ShowWindow(show);
}

bool CWndProxy::IsWindowVisible() const {
    CWnd* target = Target();
    return target && target->IsWindowVisible();
}

uintptr_t CWndProxy::GetSafeHwnd() const {
    CWnd* target = Target();
    return target ? target->GetSafeHwnd() : 0;
}

}  // namespace qv
