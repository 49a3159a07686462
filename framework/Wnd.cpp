#include "framework/Wnd.h"

#include <atomic>

namespace qv {

LResult CWnd::WindowProc(uint32_t, WParam, LParam) { return 0; }

namespace {
std::atomic<CWnd*> g_mainWindow{nullptr};
}

void ReplaceEditEnd(CWnd* edit, const std::string& text) {
    const auto length = static_cast<WParam>(edit->GetWindowTextLength());
    edit->SendMessage(kEmSetSel, length, static_cast<LParam>(length));
    edit->SendMessage(kEmReplaceSel, 0, reinterpret_cast<LParam>(text.c_str()));
}

CWnd* AfxGetMainWnd() { return g_mainWindow.load(std::memory_order_acquire); }
void AfxSetMainWnd(CWnd* window) { g_mainWindow.store(window, std::memory_order_release); }

}  // namespace qv
