// The text model of a multi-line edit control: a selection and the standard
// messages that read and replace text. Shared by the headless windows.
#pragma once

#include <cstdio>
#include <string>

#include "framework/Wnd.h"

namespace qv {

class EditText {
public:
    // Handles WM_GETTEXTLENGTH, WM_GETTEXT, WM_SETTEXT, EM_SETSEL,
    // EM_REPLACESEL and EM_SETLIMITTEXT; handled is false for others.
    LResult Handle(uint32_t message, WParam wParam, LParam lParam, bool& handled);

    const std::string& Text() const { return m_text; }
    void SetText(const std::string& text);
    // Text that replaced a selection at the very end is also written here.
    void SetEcho(std::FILE* echo) { m_echo = echo; }

private:
    std::string m_text;
    size_t m_selStart = 0;
    size_t m_selEnd = 0;
    std::FILE* m_echo = nullptr;
};

}  // namespace qv
