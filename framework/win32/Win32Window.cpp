#include "framework/win32/Win32Window.h"

#include <vector>

namespace qv {

// A bare control has no children of its own that the program reaches.
CWnd* CWin32Wnd::GetDlgItem(int) const { return nullptr; }

LResult CWin32Wnd::SendMessage(uint32_t message, WParam wParam, LParam lParam) {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

bool CWin32Wnd::PostMessage(uint32_t message, WParam wParam, LParam lParam) {
    return ::PostMessageA(m_hWnd, message, wParam, lParam) != FALSE;
}

void CWin32Wnd::SetWindowText(const std::string& text) { ::SetWindowTextA(m_hWnd, text.c_str()); }

std::string CWin32Wnd::GetWindowText() const {
    std::vector<char> buffer(static_cast<size_t>(GetWindowTextLength()) + 1);
    const int copied = ::GetWindowTextA(m_hWnd, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

int CWin32Wnd::GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }

void CWin32Wnd::EnableWindow(bool enable) { ::EnableWindow(m_hWnd, enable ? TRUE : FALSE); }
bool CWin32Wnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
void CWin32Wnd::ShowWindow(bool show) { ::ShowWindow(m_hWnd, show ? SW_SHOW : SW_HIDE); }

// The window's own visibility style, not whether its parent shows yet (the
// dialog is still hidden while it initialises).
bool CWin32Wnd::IsWindowVisible() const { return (::GetWindowLongPtrA(m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0; }

}  // namespace qv
