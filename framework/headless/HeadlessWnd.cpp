#include "framework/headless/HeadlessWnd.h"

#include <cstdio>
#include <mutex>
#include <vector>

#include "framework/Messages.h"
#include "framework/headless/MessageQueue.h"

namespace qv {

CHeadlessWnd::CHeadlessWnd() : m_queue(HeadlessMessageQueue::ForCurrentThread()) {}

CHeadlessWnd::~CHeadlessWnd() { m_queue->Forget(this); }

CHeadlessWnd& CHeadlessWnd::AddControl(int id, Kind kind) {
    auto control = std::make_unique<CHeadlessWnd>();
    control->m_kind = kind;
    CHeadlessWnd& added = *control;
    m_controls[id] = std::move(control);
    return added;
}

bool CHeadlessWnd::OnOwnerThread() const { return HeadlessMessageQueue::ForCurrentThread() == m_queue; }

CWnd* CHeadlessWnd::GetDlgItem(int id) const {
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second.get();
}

LResult CHeadlessWnd::SendMessage(uint32_t message, WParam wParam, LParam lParam) {
    if (OnOwnerThread()) return Dispatch(message, wParam, lParam);
    return m_queue->Send(this, message, wParam, lParam);
}

bool CHeadlessWnd::PostMessage(uint32_t message, WParam wParam, LParam lParam) {
    m_queue->Post(this, message, wParam, lParam);
    return true;
}

LResult CHeadlessWnd::Dispatch(uint32_t message, WParam wParam, LParam lParam) {
    const bool textMessage = message == kWmGetText || message == kWmGetTextLength || message == kWmSetText;
    if (m_kind == Kind::Edit || textMessage) {
        bool handled = false;
        const LResult result = m_text.Handle(message, wParam, lParam, handled);
        if (handled) return result;
    }
    if (m_kind == Kind::CheckBox && message == kBmGetCheck) return m_nCheck;
    if (m_kind == Kind::CheckBox && message == kBmSetCheck) {
        m_nCheck = static_cast<int>(wParam);
        return 0;
    }
    return WindowProc(message, wParam, lParam);
}

void CHeadlessWnd::SetWindowText(const std::string& text) {
    SendMessage(kWmSetText, 0, reinterpret_cast<LParam>(text.c_str()));
}

std::string CHeadlessWnd::GetWindowText() const {
    auto* self = const_cast<CHeadlessWnd*>(this);
    const auto length = static_cast<size_t>(self->SendMessage(kWmGetTextLength));
    std::vector<char> buffer(length + 1);
    const auto copied = self->SendMessage(kWmGetText, buffer.size(), reinterpret_cast<LParam>(buffer.data()));
    return std::string(buffer.data(), static_cast<size_t>(copied));
}

int CHeadlessWnd::GetWindowTextLength() const {
    return static_cast<int>(const_cast<CHeadlessWnd*>(this)->SendMessage(kWmGetTextLength));
}

void CHeadlessWnd::EnableWindow(bool enable) { m_bEnabled = enable; }
bool CHeadlessWnd::IsWindowEnabled() const { return m_bEnabled; }
void CHeadlessWnd::ShowWindow(bool show) { m_bVisible = show; }
bool CHeadlessWnd::IsWindowVisible() const { return m_bVisible; }

namespace {
std::mutex g_messageBoxMutex;
MessageBoxHandler g_messageBoxHandler;
}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard lock(g_messageBoxMutex);
    g_messageBoxHandler = std::move(handler);
}

int MessageBox(CWnd* owner, const char* text, const char* caption, uint32_t type) {
    MessageBoxHandler handler;
    {
        std::lock_guard lock(g_messageBoxMutex);
        handler = g_messageBoxHandler;
    }
    if (handler) return handler(owner, text ? text : "", caption ? caption : "", type);
    std::fprintf(stderr, "[%s] %s\n", caption ? caption : "", text ? text : "");
    return (type & 0xF) == kMbYesNo ? kIdYes : kIdOk;
}

}  // namespace qv
