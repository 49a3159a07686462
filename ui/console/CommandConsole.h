// The command console: the text of the command box is one of the console's
// dollar-sign commands (options, trace points, file reports, target memory,
// symbol look-ups) or else names a function of the target to list.
#pragma once

#include <functional>
#include <string>

#include "framework/Wnd.h"

namespace qv {

class CDeamonThread;

struct ConsoleSession {
    // The running trace; null when none runs, and then only the test-mode
    // commands work.
    CDeamonThread* pTracer = nullptr;
    // The window whose log the console and the reports write to.
    CWnd* pLogWindow = nullptr;
    std::function<void(bool show)> showToolButtons;
};

void ExecuteConsoleCommand(const std::string& text, const ConsoleSession& session);

}  // namespace qv
