// dialogdemo: starts the demo server, then Quorvane.exe (beside this
// program) in a work folder holding TracePoints.txt and Config.ini.
//
//   dialogdemo interactive        the user works the window; the server runs
//                                 a workload every few seconds until the
//                                 window closes
//   dialogdemo scripted [FLAG]    a short session by window messages only:
//                                 select the server's row, Trace, a workload
//                                 with every hit logged, Report on a counted
//                                 workload, Stop, Exit; prints the log
//
// With FLAG, the scripted session creates the file FLAG while the trace
// shows its call lines and waits (30 s at most) for FLAG.done, so that a
// caller outside can take a picture of the window.
//
// The trace points are TracePoints.txt of the current directory; when there
// is none, the demo writes one naming a few of the server's functions.
// Either way, at the end the server's code must be as it was: the exit code
// is 0 only when every step worked and the server quit clean.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "tests/e2e/DialogSession.h"

namespace {

constexpr DWORD kAnswerMs = 300000;
constexpr DWORD kFlagWaitMs = 30000;
constexpr DWORD kInteractiveRunEveryMs = 3000;
const char* const kInteractiveRun = "20 2";
const char* const kLoggedRun = "2 2";
const char* const kCountedRun = "100 2";
const char* const kConfig = "[TEST]=ON\r\n[DETECTRET]=ON\r\n";

const char* const kDefaultTracePoints =
    "# The demo server's internal functions (named through ORACLE.SYM) and an\n"
    "# export of its library. Syntax: [module!]function[+offset][*depth] [(size[*depth],...)]\n"
    "# Argument k is the stack slot at Rsp+8k of the entry; x64 passes the first\n"
    "# four in registers, so the server puts its strings and numbers in 5 and 6.\n"
    "ORACLE.EXE!ProcessRequest\n"
    "ParseStatement (0,0,0,0,0*1,0)\n"
    "FormatRow (0,0,0,0,0*1,0)\n"
    "ComputeChecksum\n"
    "orapls11.dll!orapls_execute\n";

void Say(const char* format, const std::string& text = "") {
    std::fprintf(stderr, "dialogdemo: ");
    std::fprintf(stderr, format, text.c_str());
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

// The user's TracePoints.txt, or the default one written in its place.
std::string TracePoints() {
    if (demo::FileExists("TracePoints.txt")) {
        Say("using TracePoints.txt of the current directory");
        return demo::ReadWholeFile("TracePoints.txt");
    }
    if (std::FILE* file = std::fopen("TracePoints.txt", "wb")) {
        std::fputs(kDefaultTracePoints, file);
        std::fclose(file);
        Say("wrote a TracePoints.txt naming the server's functions");
    }
    return kDefaultTracePoints;
}

class Steps {
public:
    // Reports one step; false when it failed.
    bool Step(bool ok, const char* what) {
        Say(ok ? "ok: %s" : "FAILED: %s", what);
        if (!ok) ++m_failed;
        return ok;
    }
    int ExitCode() const { return m_failed == 0 ? 0 : 1; }

private:
    int m_failed = 0;
};

// Every function the report lists must have the count the server made.
bool CountsAgree(const std::string& report, const std::string& serverAnswer) {
    std::istringstream lines(serverAnswer);
    std::string line;
    std::getline(lines, line);
    const auto counts = e2e::ReportCounts(report);
    int compared = 0;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string function;
        long long calls = 0;
        if (!(fields >> function >> calls)) continue;
        const auto counted = counts.find(function);
        if (counted == counts.end()) continue;
        ++compared;
        if (counted->second != static_cast<unsigned long long>(calls)) {
            Say("count differs: %s", function + " server " + std::to_string(calls) + ", report " +
                                         std::to_string(counted->second));
            return false;
        }
    }
    return compared > 0;
}

void SignalAndWait(const std::string& flag) {
    if (std::FILE* file = std::fopen(flag.c_str(), "wb")) std::fclose(file);
    const std::string done = flag + ".done";
    uidriver::WaitFor([&] { return demo::FileExists(done); }, static_cast<int>(kFlagWaitMs));
    DeleteFileA(done.c_str());
    DeleteFileA(flag.c_str());
}

void Scripted(demo::DemoServer& server, e2e::DialogSession& dialog, Steps& steps, const std::string& flag) {
    uidriver::DialogDriver& driver = dialog.Driver();
    if (!steps.Step(dialog.Trace(server.Pid()), "select the server's row and Trace; the tracer is armed")) return;
    steps.Step(driver.SetCheck(IDC_STATONLY, false), "Stat Only off: every hit writes its lines");
    steps.Step(server.Request("run", kLoggedRun, kAnswerMs).has_value(),
               (std::string("workload ") + kLoggedRun + " (iterations threads), logged").c_str());
    if (!flag.empty()) SignalAndWait(flag);
    // The clicks are posted: a report that reads zero shows that the dialog
    // has handled them before the counted workload starts.
    const bool clicked = driver.SetCheck(IDC_STATONLY, true) && driver.Click(IDC_CLEANSTAT);
    steps.Step(clicked && dialog.Report().find("Total: 0 ") != std::string::npos,
               "Stat Only on, Clean Stat: every count reads 0");
    const auto counted = server.Request("run", kCountedRun, kAnswerMs);
    steps.Step(counted.has_value(), (std::string("workload ") + kCountedRun + ", counted").c_str());
    const std::string report = dialog.Report();
    steps.Step(!report.empty(), "Report");
    steps.Step(counted && CountsAgree(report, *counted), "every reported count equals the server's own");
    steps.Step(dialog.Stop(), "Stop");
}

void Interactive(demo::DemoServer& server, e2e::DialogSession& dialog) {
    Say("work the window: select the ORACLE.EXE row, Trace, untick Stat Only to see the calls, Report, Stop, Exit");
    Say("the server runs the workload %s (iterations threads) every few seconds", kInteractiveRun);
    while (WaitForSingleObject(dialog.Process(), kInteractiveRunEveryMs) == WAIT_TIMEOUT) {
        if (!server.Request("run", kInteractiveRun, kAnswerMs)) break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool interactive = argc > 1 && std::strcmp(argv[1], "interactive") == 0;
    const bool scripted = argc > 1 && std::strcmp(argv[1], "scripted") == 0;
    if ((!interactive && !scripted) || argc > (scripted ? 3 : 2)) {
        std::fprintf(stderr, "usage: dialogdemo interactive | dialogdemo scripted [FLAG]\n");
        return 2;
    }
    const std::string flag = scripted && argc > 2 ? argv[2] : "";
    const std::string tracePoints = TracePoints();
    Steps steps;
    demo::DemoServer server;
    if (!steps.Step(server.Start(), "the demo server started")) return steps.ExitCode();
    Say("server running, pid %s", std::to_string(server.Pid()));
    {
        e2e::DialogSession dialog;
        if (steps.Step(dialog.Start("dialogdemo", tracePoints, kConfig), "Quorvane.exe shows its window")) {
            if (interactive) {
                Interactive(server, dialog);
            } else {
                Scripted(server, dialog, steps, flag);
                const std::string log = dialog.Driver().Log();
                steps.Step(dialog.Exit() == 0, "Exit: the program ended with code 0");
                std::printf("---- the log window ----\n%s\n---- end of the log ----\n", log.c_str());
                std::fflush(stdout);
            }
        }
    }
    steps.Step(server.IsRunning(), "the server still runs");
    const auto check = server.Request("check", "", kAnswerMs).value_or("(no answer)");
    steps.Step(demo::StartsWith(check, "check clean "), ("the server's code is untouched: " + check).c_str());
    const auto code = server.Quit(kAnswerMs);
    steps.Step(code && *code == 0, "the server quit with exit code 0");
    return steps.ExitCode();
}
