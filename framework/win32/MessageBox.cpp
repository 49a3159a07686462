#include "framework/Wnd.h"
#include "platform/win32/WinApi.h"

namespace qv {

// A box with an owner is modal to that window; without one, to the calling
// thread only.
int MessageBox(CWnd* owner, const char* text, const char* caption, uint32_t type) {
    const HWND window = owner ? reinterpret_cast<HWND>(owner->GetSafeHwnd()) : nullptr;
    return ::MessageBoxA(window, text, caption, type);
}

}  // namespace qv
