#include "ui/DialogTemplates.h"

#include <array>

#include "ui/Contact.h"
#include "ui/Resource.h"

namespace qv {

namespace {

using enum ControlKind;

// In the template's order.
constexpr std::array kMainControls{
    ControlTemplate{IDC_EXIT, PushButton, "Exit", 356, 508, 50, 14, true, true},
    ControlTemplate{IDC_KILL, PushButton, "Kill", 7, 166, 50, 14, false, true},
    ControlTemplate{IDC_THREADLIST, ListView, "", 7, 179, 399, 114, true, true},
    ControlTemplate{IDC_PROCESSLIST, ListView, "", 7, 14, 399, 153, true, true},
    ControlTemplate{IDC_PROCESSLABEL, Static, "Processes:", 7, 6, 70, 8, true, true},
    ControlTemplate{IDC_THREADLABEL, Static, "Threads:", 7, 170, 68, 8, true, true},
    ControlTemplate{IDC_SUSPEND, PushButton, "Suspend", 147, 166, 50, 14, false, true},
    ControlTemplate{IDC_RESUME, PushButton, "Resume", 77, 166, 50, 14, false, true},
    ControlTemplate{IDC_TRACE, PushButton, "Trace", 7, 294, 50, 14, true, true},
    ControlTemplate{IDC_STOP, PushButton, "Stop", 356, 295, 50, 14, true, false},
    ControlTemplate{IDC_LOG, MultiLineEdit, "", 7, 310, 399, 197, true, true},
    ControlTemplate{IDC_GETSTACKS, PushButton, "GetStacks", 356, 166, 50, 14, false, true},
    ControlTemplate{IDC_TEST, PushButton, "TEST", 160, 6, 50, 14, false, true},
    ControlTemplate{IDC_IMPORTTABLE, PushButton, "ImportTable", 219, 166, 50, 14, false, true},
    ControlTemplate{IDC_EXPORTTABLE, PushButton, "ExportTable", 288, 166, 50, 14, false, true},
    ControlTemplate{IDC_RELOAD, PushButton, "ReLoad", 270, 295, 50, 14, false, false},
    ControlTemplate{IDC_DISASSEMBLE, PushButton, "Disassemble", 7, 508, 50, 14, true, false},
    ControlTemplate{IDC_COMMAND, Edit, "", 59, 508, 58, 14, true, false},
    ControlTemplate{IDC_ABOUT, PushButton, "About", 301, 508, 50, 14, false, true},
    ControlTemplate{IDC_JOKE, PushButton, "Joke", 245, 508, 50, 14, false, true},
    ControlTemplate{IDC_STATONLY, CheckBox, "Stat Only", 60, 297, 45, 10, true, false},
    ControlTemplate{IDC_REPORT, PushButton, "Report", 111, 295, 50, 14, true, false},
    ControlTemplate{IDC_CLEANSTAT, PushButton, "Clean Stat", 188, 295, 50, 14, true, false},
};

constexpr std::array kAboutControls{
    ControlTemplate{IDOK_ABOUT, PushButton, "OK", 97, 76, 50, 14, true, true},
    ControlTemplate{IDC_ABOUT_STATIC, Static, QV_PRODUCT_VERSION_TEXT, 71, 7, 108, 8, true, true},
    ControlTemplate{IDC_ABOUT_WEB, Static, QV_CONTACT_WEB, 87, 28, 64, 8, true, true},
    ControlTemplate{IDC_ABOUT_STATIC, Static, QV_CONTACT_MAIL, 85, 39, 68, 8, true, true},
    ControlTemplate{IDC_ABOUT_STATIC, Static, "Warning: Never play Quorvane in any crytical system!", 35, 65, 175, 8, true,
                    true},
};

}  // namespace

const DialogTemplate kMainDialogTemplate{IDD_QUORVANE_DIALOG, "Velloc", 413, 529, kMainControls};
const DialogTemplate kAboutDialogTemplate{IDD_ABOUTBOX, "About", 250, 97, kAboutControls};

}  // namespace qv
