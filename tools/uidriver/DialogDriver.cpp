#include "tools/uidriver/DialogDriver.h"

#include <commctrl.h>

#include "tools/uidriver/RemoteBuffer.h"

namespace uidriver {

namespace {

// A call into the dialog's thread never waits longer than this: a dialog
// that stops answering fails the step instead of hanging the driver.
constexpr UINT kSendTimeoutMs = 10000;
constexpr size_t kTextMax = 1024;

bool IsClass(HWND window, const char* name) {
    char className[64] = {};
    ::GetClassNameA(window, className, sizeof className);
    return std::string(className) == name;
}

std::string WindowText(HWND window) {
    if (window == nullptr) return std::string();
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) {
        return std::string();
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                               SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
        return std::string();
    }
    text.resize(static_cast<size_t>(copied));
    return text;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return -1;
    return static_cast<LRESULT>(result);
}

// The main dialog: the dialog-class window whose button 2 reads "Exit" and
// which has the log control.
HWND FindMainDialog() {
    HWND found = nullptr;
    ::EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            HWND exitButton = ::GetDlgItem(window, kExitId);
            if (IsClass(window, "#32770") && exitButton && WindowText(exitButton) == "Exit" &&
                ::GetDlgItem(window, kLogId)) {
                *reinterpret_cast<HWND*>(context) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Every visible dialog-class window of processId except the main dialog.
std::vector<OpenBox> BoxesOf(DWORD processId, HWND mainDialog) {
    struct Search {
        DWORD processId;
        HWND mainDialog;
        std::vector<OpenBox> boxes;
    } search{processId, mainDialog, {}};
    ::EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner != s->processId || window == s->mainDialog || !IsClass(window, "#32770") ||
                !::IsWindowVisible(window)) {
                return TRUE;
            }
            s->boxes.push_back({window, WindowText(window), WindowText(::GetDlgItem(window, 0xFFFF))});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.boxes;
}

// The visible message box of processId whose text holds text ("" matches any).
HWND FindBox(DWORD processId, HWND mainDialog, const std::string& text) {
    for (const OpenBox& box : BoxesOf(processId, mainDialog)) {
        if (::GetDlgItem(box.window, 0xFFFF) != nullptr && box.text.find(text) != std::string::npos) return box.window;
    }
    return nullptr;
}

}  // namespace

bool DialogDriver::WaitForDialog(int milliseconds) {
    return WaitFor([&] { return (m_dialog = FindMainDialog()) != nullptr; }, milliseconds);
}

bool DialogDriver::WaitForDialogGone(int milliseconds) const {
    return WaitFor([&] { return m_dialog == nullptr || !::IsWindow(m_dialog); }, milliseconds);
}

DWORD DialogDriver::ProcessId() const {
    DWORD processId = 0;
    if (m_dialog) ::GetWindowThreadProcessId(m_dialog, &processId);
    return processId;
}

HWND DialogDriver::Item(int id) const { return m_dialog ? ::GetDlgItem(m_dialog, id) : nullptr; }

bool DialogDriver::Click(int id) const {
    HWND button = Item(id);
    return button != nullptr &&
           ::PostMessageA(m_dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

bool DialogDriver::Press(int id) const {
    HWND button = Item(id);
    return button != nullptr &&
           Send(m_dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != -1;
}

bool DialogDriver::SetCheck(int id, bool checked) const {
    HWND box = Item(id);
    return box != nullptr && Send(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0) != -1 && Press(id);
}

bool DialogDriver::IsChecked(int id) const {
    HWND box = Item(id);
    return box != nullptr && Send(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool DialogDriver::IsEnabled(int id) const {
    HWND item = Item(id);
    return item != nullptr && ::IsWindowEnabled(item);
}

bool DialogDriver::IsVisible(int id) const {
    HWND item = Item(id);
    return item != nullptr && (::GetWindowLongA(item, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool DialogDriver::SetText(int id, const std::string& text) const {
    HWND item = Item(id);
    return item != nullptr && Send(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) == TRUE;
}

std::string DialogDriver::Text(int id) const { return WindowText(Item(id)); }

bool DialogDriver::Answer(const std::string& text, int button, int milliseconds) const {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindBox(ProcessId(), m_dialog, text)) != nullptr; }, milliseconds)) return false;
    return Press(OpenBox{box, std::string(), std::string()}, button);
}

std::string DialogDriver::MessageBoxText() const {
    HWND box = FindBox(ProcessId(), m_dialog, std::string());
    return box ? WindowText(::GetDlgItem(box, 0xFFFF)) : std::string();
}

std::vector<std::string> DialogDriver::ControlTexts(const OpenBox& box) {
    std::vector<std::string> texts;
    for (HWND child = ::GetWindow(box.window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        texts.push_back(WindowText(child));
    }
    return texts;
}

std::vector<OpenBox> DialogDriver::Boxes() const { return BoxesOf(ProcessId(), m_dialog); }

bool DialogDriver::Press(const OpenBox& box, int button) {
    return ::PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                          reinterpret_cast<LPARAM>(::GetDlgItem(box.window, button)));
}

std::string DialogDriver::Log() const { return WindowText(Item(kLogId)); }

bool DialogDriver::WaitForLog(const std::string& text, int milliseconds) const {
    return WaitFor([&] { return Log().find(text) != std::string::npos; }, milliseconds);
}

int DialogDriver::RowCount(int listId) const {
    HWND list = Item(listId);
    return list ? static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
}

std::string DialogDriver::RowText(int listId, int row, int column) const {
    HWND list = Item(listId);
    RemoteBuffer buffer(ProcessId(), sizeof(LVITEMA) + kTextMax);
    if (list == nullptr || !buffer.Valid()) return std::string();
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = static_cast<char*>(buffer.At(sizeof item));
    item.cchTextMax = static_cast<int>(kTextMax);
    if (!buffer.Write(0, &item, sizeof item)) return std::string();
    if (Send(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer.At(0))) < 0) {
        return std::string();
    }
    return buffer.ReadText(sizeof item, kTextMax);
}

int DialogDriver::FindRow(int listId, const std::string& text) const {
    const int rows = RowCount(listId);
    for (int row = 0; row < rows; ++row) {
        if (RowText(listId, row, 0) == text) return row;
    }
    return -1;
}

// Sets the selected and focused state of row (-1: every row) to state.
bool DialogDriver::SetRowState(int listId, int row, UINT state) const {
    HWND list = Item(listId);
    RemoteBuffer buffer(ProcessId(), sizeof(LVITEMA));
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = state;
    if (list == nullptr || !buffer.Write(0, &item, sizeof item)) return false;
    return Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer.At(0))) == TRUE;
}

bool DialogDriver::SelectRow(int listId, const std::string& text, int milliseconds) const {
    HWND list = Item(listId);
    int row = -1;
    if (list == nullptr || !WaitFor([&] { return (row = FindRow(listId, text)) >= 0; }, milliseconds)) return false;
    Send(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    return SetRowState(listId, row, LVIS_SELECTED | LVIS_FOCUSED);
}

bool DialogDriver::ClearSelection(int listId) const { return SetRowState(listId, -1, 0); }

long long DialogDriver::AnswerTime(int timeoutMs) const {
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(m_dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, static_cast<UINT>(timeoutMs), &result)) {
        return -1;
    }
    ::QueryPerformanceCounter(&end);
    return (end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
}

}  // namespace uidriver
