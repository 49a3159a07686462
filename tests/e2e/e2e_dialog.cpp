// The real dialog under Wine, worked from outside by window messages only,
// as a user's clicks would: Quorvane.exe traces the demo server and stops,
// and the server's code is as it was.
#include <string>

#include "tests/e2e/DialogSession.h"

namespace {

constexpr DWORD kAnswerMs = 300000;

}  // namespace

int main() {
    e2e::DemoServer server;
    if (!server.Start()) {
        E2E_CHECK(!"the demo server started");
        return e2e::Checks().Finish("e2e_dialog");
    }
    e2e::DialogSession dialog;
    E2E_CHECK(dialog.Start("e2e_dialog", "ProcessRequest\nHashName\n", "[TEST]=ON\r\n"));
    E2E_CHECK(dialog.Trace(server.Pid()));
    E2E_CHECK(!dialog.Driver().IsEnabled(IDC_TRACE) && dialog.Driver().IsEnabled(IDC_STOP));
    E2E_CHECK(server.Request("run", "5 2", kAnswerMs).has_value());
    E2E_CHECK(dialog.Stop());
    E2E_CHECK(server.IsRunning());
    E2E_CHECK(e2e::StartsWith(server.Request("check", "", kAnswerMs).value_or(""), "check clean "));
    E2E_CHECK(dialog.Exit() == 0);
    return e2e::Checks().Finish("e2e_dialog");
}
