// The real dialog under Wine, worked from outside by window messages only,
// as a user's clicks would: the process list shows the demo server; a trace
// of it counts every call of the workload exactly as the server counts it
// (Report), Clean Stat zeroes the counts, Stop leaves the server's code as
// it was and the server serving, and a second trace counts exactly again.
// The controls enable and disable as the trace starts and ends, and a
// picture of the dialog during the trace is kept as the test's artefact.
#include <map>
#include <string>

#include "tests/e2e/DialogSession.h"

namespace {

constexpr DWORD kAnswerMs = 300000;
constexpr int kIterations = 20;
constexpr int kThreads = 2;

// Every function of the workload, the library's export by module and name.
const char* const kTracePoints =
    "ProcessRequest\n"
    "ParseStatement\n"
    "HashName\n"
    "ComputeChecksum\n"
    "FormatRow\n"
    "CommitTransaction\n"
    "TableName\n"
    "orapls11.dll!orapls_execute\n";
const char* const kFunctions[] = {"ProcessRequest", "ParseStatement", "FormatRow",      "HashName",
                                  "ComputeChecksum", "CommitTransaction", "TableName", "orapls_execute"};

// The buttons a trace enables and Stop disables again.
const int kTraceControls[] = {IDC_STOP, IDC_DISASSEMBLE, IDC_COMMAND, IDC_STATONLY, IDC_REPORT, IDC_CLEANSTAT};
// Shown only in test mode, which this run's Config.ini leaves off.
const int kToolButtons[] = {IDC_KILL,   IDC_RESUME, IDC_SUSPEND, IDC_GETSTACKS, IDC_IMPORTTABLE,
                            IDC_EXPORTTABLE, IDC_RELOAD, IDC_ABOUT,   IDC_JOKE,      IDC_TEST};

bool ControlsAre(uidriver::DialogDriver& driver, bool tracing) {
    bool as = driver.IsEnabled(IDC_TRACE) == !tracing && driver.IsEnabled(IDC_EXIT);
    for (int id : kTraceControls) as = as && driver.IsEnabled(id) == tracing && driver.IsVisible(id);
    return as && driver.IsChecked(IDC_STATONLY);
}

// Every function's count in the report equals calls[function] (the server's
// own answer), or 0 for every function when calls is empty.
void CheckReport(e2e::DialogSession& dialog, const std::string& calls) {
    const auto counts = e2e::ReportCounts(dialog.Report());
    E2E_CHECK(counts.size() == std::size(kFunctions));
    for (const char* function : kFunctions) {
        const auto count = counts.find(function);
        const unsigned long long expected = calls.empty() ? 0 : e2e::AnswerValue(calls, function).value_or(~0ull);
        e2e::Note("%-18s report %6llu  server %6llu", function, count == counts.end() ? ~0ull : count->second,
                  expected);
        E2E_CHECK(count != counts.end() && count->second == expected);
    }
}

std::string RunWorkload(e2e::DemoServer& server) {
    const auto answer =
        server.Request("run", std::to_string(kIterations) + " " + std::to_string(kThreads), kAnswerMs);
    E2E_CHECK(answer.has_value());
    const unsigned long long calls = kIterations * kThreads;
    E2E_CHECK(e2e::AnswerValue(answer.value_or(""), "ComputeChecksum").value_or(0) == 4 * calls);
    return answer.value_or("");
}

void SaveScreenshot(uidriver::DialogDriver& driver) {
    const std::string folder = demo::ParentOf(e2e::OwnFolder()) + "\\artifacts";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\e2e_dialog.bmp";
    DeleteFileA(path.c_str());
    E2E_CHECK(driver.SaveScreenshot(path));
    // A header and at least the dialog's smallest plausible picture.
    E2E_CHECK(e2e::ReadWholeFile(path).size() > 100000);
    e2e::Note("screenshot: %s", path.c_str());
}

}  // namespace

int main() {
    e2e::DemoServer server;
    if (!server.Start(kThreads)) {
        E2E_CHECK(!"the demo server started");
        return e2e::Checks().Finish("e2e_dialog");
    }
    e2e::DialogSession dialog;
    if (!dialog.Start("e2e_dialog", kTracePoints, "")) {
        E2E_CHECK(!"the dialog showed");
        return e2e::Checks().Finish("e2e_dialog");
    }
    uidriver::DialogDriver& driver = dialog.Driver();

    // Before a trace only Trace, Exit, the lists and the log can be used.
    E2E_CHECK(ControlsAre(driver, false));
    for (int id : kToolButtons) E2E_CHECK(!driver.IsVisible(id));

    // The server's row: its process id and its name.
    int row = -1;
    E2E_CHECK(uidriver::WaitFor(
        [&] { return (row = driver.FindRow(IDC_PROCESSLIST, std::to_string(server.Pid()))) >= 0; }, 10000));
    E2E_CHECK(driver.RowText(IDC_PROCESSLIST, row, 1) == "ORACLE.EXE");

    // Counting only: every call counted, none logged.
    E2E_CHECK(dialog.Trace(server.Pid()));
    E2E_CHECK(ControlsAre(driver, true));
    E2E_CHECK(driver.SetCheck(IDC_STATONLY, true));
    const std::string calls = RunWorkload(server);
    CheckReport(dialog, calls);
    E2E_CHECK(driver.Log().find("User call") == std::string::npos);
    SaveScreenshot(driver);

    E2E_CHECK(driver.Click(IDC_CLEANSTAT));
    CheckReport(dialog, "");
    E2E_CHECK(dialog.Stop());
    E2E_CHECK(ControlsAre(driver, false));
    e2e::CheckServerClean(server, kAnswerMs);
    const auto after = server.Request("run", "1 1", kAnswerMs);
    E2E_CHECK(e2e::AnswerValue(after.value_or(""), "ProcessRequest").value_or(0) == 1);

    // A fresh tracer: nothing counted yet, then exact counts again.
    E2E_CHECK(dialog.Trace(server.Pid()));
    E2E_CHECK(ControlsAre(driver, true));
    CheckReport(dialog, "");
    CheckReport(dialog, RunWorkload(server));
    E2E_CHECK(dialog.Stop());
    E2E_CHECK(ControlsAre(driver, false));
    e2e::CheckServerClean(server, kAnswerMs);

    E2E_CHECK(dialog.Exit() == 0);
    E2E_CHECK(server.Quit(kAnswerMs).value_or(1) == 0);
    return e2e::Checks().Finish("e2e_dialog");
}
