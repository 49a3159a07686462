// uidriver: works the main dialog of a running Quorvane.exe by window
// messages, one step per argument group, in order:
//
//   wait SECONDS            until the dialog exists
//   click ID                a button click (BM_CLICK, as the mouse gives it)
//   answer TEXT BUTTON      clicks BUTTON (1 OK, 2 Cancel) of the message box
//                           whose text holds TEXT, once it shows (10 s)
//   waitlog TEXT SECONDS    until the log holds TEXT
//   log                     prints the log to standard output
//   sleep MILLISECONDS
//
// Exit code 0 when every step succeeded, 1 at the first that failed.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/WinApi.h"

namespace {

constexpr int kLogId = 1010;
constexpr int kExitId = 2;

// The dialog is the top-level window of the dialog class whose Exit button
// (id 2) reads "Exit" and which has the log control.
HWND FindDialog() {
    struct Search {
        HWND found = nullptr;
    } search;
    ::EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            char className[64] = {};
            ::GetClassNameA(window, className, sizeof className);
            HWND exitButton = ::GetDlgItem(window, kExitId);
            char text[16] = {};
            if (exitButton) ::GetWindowTextA(exitButton, text, sizeof text);
            if (std::string(className) == "#32770" && std::string(text) == "Exit" && ::GetDlgItem(window, kLogId)) {
                reinterpret_cast<Search*>(context)->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string LogText(HWND dialog) {
    HWND log = ::GetDlgItem(dialog, kLogId);
    const LRESULT length = ::SendMessageA(log, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied = ::SendMessageA(log, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

// A message box of the dialog's process whose static text holds text.
HWND FindBox(DWORD processId, const std::string& text) {
    struct Search {
        DWORD processId;
        const std::string* text;
        HWND found = nullptr;
    } search{processId, &text};
    ::EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            char className[64] = {};
            ::GetClassNameA(window, className, sizeof className);
            if (owner != s->processId || std::string(className) != "#32770" || !::IsWindowVisible(window)) return TRUE;
            HWND label = ::GetDlgItem(window, 0xFFFF);
            char body[512] = {};
            if (label) ::GetWindowTextA(label, body, sizeof body);
            if (std::string(body).find(*s->text) != std::string::npos) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

template <typename Done>
bool WaitFor(Done done, int milliseconds) {
    for (int waited = 0; waited <= milliseconds; waited += 50) {
        if (done()) return true;
        ::Sleep(50);
    }
    return false;
}

int Fail(const std::string& step) {
    std::fprintf(stderr, "uidriver: %s failed\n", step.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    HWND dialog = nullptr;
    int result = 0;
    for (size_t i = 0; i < args.size() && result == 0; ++i) {
        const std::string& step = args[i];
        const auto next = [&]() -> std::string { return i + 1 < args.size() ? args[++i] : std::string(); };
        if (step == "wait") {
            const int seconds = std::atoi(next().c_str());
            if (!WaitFor([&] { return (dialog = FindDialog()) != nullptr; }, seconds * 1000)) result = Fail(step);
        } else if (step == "click") {
            const int id = std::atoi(next().c_str());
            HWND button = dialog ? ::GetDlgItem(dialog, id) : nullptr;
            if (button == nullptr) {
                result = Fail(step + " " + std::to_string(id));
            } else {
                // Posted so that a message box it opens doesn't hold this step.
                ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
            }
        } else if (step == "answer") {
            const std::string text = next();
            const int button = std::atoi(next().c_str());
            DWORD processId = 0;
            ::GetWindowThreadProcessId(dialog, &processId);
            HWND box = nullptr;
            if (!WaitFor([&] { return (box = FindBox(processId, text)) != nullptr; }, 10000)) {
                result = Fail(step + " " + text);
            } else {
                ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
            }
        } else if (step == "waitlog") {
            const std::string text = next();
            const int seconds = std::atoi(next().c_str());
            if (!WaitFor([&] { return LogText(dialog).find(text) != std::string::npos; }, seconds * 1000)) {
                result = Fail(step + " " + text);
            }
        } else if (step == "log") {
            std::fputs(LogText(dialog).c_str(), stdout);
            std::fflush(stdout);
        } else if (step == "sleep") {
            ::Sleep(static_cast<DWORD>(std::atoi(next().c_str())));
        } else {
            result = Fail("unknown step " + step);
        }
    }
    return result;
}
