// Works the main dialog of a running Quorvane.exe from another process by
// window messages only, as a user's clicks and keys would. The list views
// live in the dialog's process, so their item structures are written into
// that process's memory (RemoteBuffer) before a message points at them.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/WinApi.h"

namespace uidriver {

// A visible dialog-class window of the dialog's process other than the main
// dialog: a message box or a child dialog.
struct OpenBox {
    HWND window;
    std::string caption;
    // The text of its first static control without an id (a message box's
    // text; a child dialog's first label).
    std::string text;
};

constexpr int kLogId = 1010;
constexpr int kExitId = 2;

class DialogDriver {
public:
    // Waits up to milliseconds for the dialog to exist; false if it never did.
    bool WaitForDialog(int milliseconds);
    // True once the dialog's window is gone (the program ended it).
    bool WaitForDialogGone(int milliseconds) const;

    HWND Dialog() const { return m_dialog; }
    DWORD ProcessId() const;

    // A button click as the mouse gives it; posted, so that a message box the
    // click opens doesn't hold the caller.
    bool Click(int id) const;
    // A button click that returns once the dialog has handled it (sent, not
    // posted): what the handler wrote is then in the log. Only for buttons
    // whose handler opens no message box; false when the dialog did not
    // answer in time.
    bool Press(int id) const;
    // Sets a check box's state, then tells the dialog it was clicked and
    // returns once that was handled, so that what follows sees the option.
    bool SetCheck(int id, bool checked) const;
    bool IsChecked(int id) const;
    bool IsEnabled(int id) const;
    bool IsVisible(int id) const;
    bool SetText(int id, const std::string& text) const;
    std::string Text(int id) const;

    // Clicks button (1 OK, 2 Cancel) of the dialog process's message box whose
    // text holds text, once it shows within milliseconds.
    bool Answer(const std::string& text, int button, int milliseconds) const;
    // The text of the dialog process's visible message box, or "" if none.
    std::string MessageBoxText() const;
    // Every box the dialog's process shows now, in window order.
    std::vector<OpenBox> Boxes() const;
    // Clicks button (its control id) of box, as the mouse gives it.
    static bool Press(const OpenBox& box, int button);
    // The texts of every control of box, in window order.
    static std::vector<std::string> ControlTexts(const OpenBox& box);

    // Writes the dialog's window, as the screen shows it, as a 24-bit BMP
    // file; false when the window can't be captured or the file written.
    bool SaveScreenshot(const std::string& path) const;

    std::string Log() const;
    bool WaitForLog(const std::string& text, int milliseconds) const;

    int RowCount(int listId) const;
    std::string RowText(int listId, int row, int column) const;
    // The first row whose first column reads text, or -1.
    int FindRow(int listId, const std::string& text) const;
    // Selects and focuses the row whose first column reads text, as a click
    // on it does (the list tells the dialog). Waits up to milliseconds for the
    // row to appear.
    bool SelectRow(int listId, const std::string& text, int milliseconds) const;
    // Takes the selection and focus off every row of the list, so that the
    // next SelectRow tells the dialog again even for the same row.
    bool ClearSelection(int listId) const;

    // How long the dialog took to answer a message, in milliseconds, or -1
    // when it did not within timeoutMs.
    long long AnswerTime(int timeoutMs) const;

private:
    HWND Item(int id) const;
    bool SetRowState(int listId, int row, UINT state) const;

    HWND m_dialog = nullptr;
};

// Polls done every 50 ms until it holds or milliseconds have passed.
template <typename Done>
bool WaitFor(Done done, int milliseconds) {
    for (int waited = 0;; waited += 50) {
        if (done()) return true;
        if (waited >= milliseconds) return false;
        ::Sleep(50);
    }
}

}  // namespace uidriver
