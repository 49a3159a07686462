#include "framework/Wnd.h"

#include <atomic>

namespace qv {

LResult CWnd::WindowProc(uint32_t, WParam, LParam) { return 0; }

namespace {
std::atomic<CWnd*> g_mainWindow{nullptr};
}

CWnd* AfxGetMainWnd() { return g_mainWindow.load(std::memory_order_acquire); }
void AfxSetMainWnd(CWnd* window) { g_mainWindow.store(window, std::memory_order_release); }

}  // namespace qv
