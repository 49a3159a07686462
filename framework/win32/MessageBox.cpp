#include "framework/Wnd.h"
#include "platform/win32/WinApi.h"

namespace qv {

// The box has no owner window yet: no CWnd of this backend carries an HWND
// until the dialog's window class exists, so the box is top-level and modal
// to the calling thread only.
int MessageBox(CWnd* /*owner*/, const char* text, const char* caption, uint32_t type) {
    return ::MessageBoxA(nullptr, text, caption, type);
}

}  // namespace qv
