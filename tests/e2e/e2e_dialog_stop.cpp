// Stop and Exit of the real dialog under Wine while the tracer logs every
// call ("Stat Only" off), with the log lines handed to the window directly
// and posted: neither deadlocks (each ends within a time-out), no line of a
// workload that finished before Stop is lost, and nothing is left armed in
// the server, which serves on.
#include <string>

#include "tests/e2e/DialogSession.h"

namespace {

constexpr DWORD kAnswerMs = 300000;
constexpr DWORD kStopMs = 60000;
constexpr int kLinesMs = 60000;
constexpr int kThreads = 2;
// Long enough that the workload still runs when Stop or Exit is clicked.
const char* const kLongRun = "3000 2";
// Lines in the log before Stop or Exit is clicked: the tracer is busy then.
constexpr size_t kInFlight = 200;

const char* const kTracePoints = "ProcessRequest\nHashName\n";
const char* const kFunctions[] = {"ProcessRequest", "HashName"};

struct Mode {
    const char* name;
    const char* config;
};
const Mode kModes[] = {
    {"direct", ""},
    {"posted", "[ASYNMSG]=ON\r\n"},
};

size_t CountOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++count;
    return count;
}

std::string CallLine(const char* function) { return std::string("User call: ") + function + " ("; }

size_t CallLines(uidriver::DialogDriver& driver) { return CountOf(driver.Log(), "User call: "); }

// A trace with every call logged; true once it runs.
bool TraceLogging(e2e::DialogSession& dialog, e2e::DemoServer& server) {
    return dialog.Trace(server.Pid()) && dialog.Driver().SetCheck(IDC_STATONLY, false) &&
           uidriver::WaitFor([&] { return !dialog.Driver().IsChecked(IDC_STATONLY); }, 10000);
}

// A workload that ends before Stop: after Stop the log holds exactly one
// line per call the server counted.
void CheckFinishedRun(e2e::DialogSession& dialog, e2e::DemoServer& server) {
    uidriver::DialogDriver& driver = dialog.Driver();
    E2E_CHECK(TraceLogging(dialog, server));
    const std::string calls = server.Request("run", "20 " + std::to_string(kThreads), kAnswerMs).value_or("");
    E2E_CHECK(!calls.empty());
    E2E_CHECK(dialog.Stop(kStopMs));
    for (const char* function : kFunctions) {
        const size_t expected = e2e::AnswerValue(calls, function).value_or(0);
        size_t shown = 0;
        E2E_CHECK(uidriver::WaitFor([&] { return (shown = CountOf(driver.Log(), CallLine(function))) >= expected; },
                                    kLinesMs));
        e2e::Note("%-15s lines %zu, server calls %zu", function, shown, expected);
        E2E_CHECK(expected > 0 && shown == expected);
    }
    e2e::CheckServerClean(server, kAnswerMs);
}

// Clicks end (Stop or Exit) while a long workload logs: it must end the
// trace in time, and the workload then runs on untraced to its end.
template <typename End>
void CheckEndDuringRun(e2e::DialogSession& dialog, e2e::DemoServer& server, const char* what, End end) {
    uidriver::DialogDriver& driver = dialog.Driver();
    E2E_CHECK(TraceLogging(dialog, server));
    const std::string run = server.Send("run", kLongRun);
    E2E_CHECK(uidriver::WaitFor([&] { return CallLines(driver) >= kInFlight; }, kLinesMs));
    const ULONGLONG start = GetTickCount64();
    E2E_CHECK(end());
    e2e::Note("%s during the run took %llu ms", what, GetTickCount64() - start);
    const std::string calls = server.Await(run, kAnswerMs).value_or("");
    E2E_CHECK(!calls.empty());
    e2e::CheckServerClean(server, kAnswerMs);
}

void CheckMode(e2e::DemoServer& server, const Mode& mode) {
    e2e::Note("log lines %s", mode.name);
    e2e::DialogSession dialog;
    if (!dialog.Start(std::string("e2e_dialog_stop_") + mode.name, kTracePoints, mode.config)) {
        E2E_CHECK(!"the dialog showed");
        return;
    }
    CheckFinishedRun(dialog, server);
    CheckEndDuringRun(dialog, server, "Stop", [&] { return dialog.Stop(kStopMs); });
    // The lines shown are the tracer's lines up to Stop with none left out:
    // each thread logs its request's call and then its two hashes, so a
    // thread is at most one request ahead of its hashes.
    const std::string log = dialog.Driver().Log();
    const size_t requests = CountOf(log, CallLine("ProcessRequest"));
    const size_t hashes = CountOf(log, CallLine("HashName"));
    e2e::Note("up to Stop: %zu request lines, %zu hash lines", requests, hashes);
    E2E_CHECK(hashes <= 2 * requests && hashes + 2 * kThreads >= 2 * requests);
    CheckEndDuringRun(dialog, server, "Exit", [&] { return dialog.Exit(kStopMs) == 0; });
}

}  // namespace

int main() {
    e2e::DemoServer server;
    if (!server.Start(kThreads)) {
        E2E_CHECK(!"the demo server started");
        return e2e::Checks().Finish("e2e_dialog_stop");
    }
    for (const Mode& mode : kModes) CheckMode(server, mode);
    const auto after = server.Request("run", "1 1", kAnswerMs);
    E2E_CHECK(e2e::AnswerValue(after.value_or(""), "ProcessRequest").value_or(0) == 1);
    E2E_CHECK(server.Quit(kAnswerMs).value_or(1) == 0);
    return e2e::Checks().Finish("e2e_dialog_stop");
}
