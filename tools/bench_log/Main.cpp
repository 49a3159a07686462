// bench_log: how the log window keeps up with a trace, under Wine. The real
// main dialog runs on a thread of this program (the win32 framework) and
// traces the demo server with "Stat Only" off, so that every hit writes its
// lines; a workload is sized for kLines lines. Measured per case: the time
// from the workload's start until every line shows in the log, the time the
// workload itself took, and the longest time the dialog did not answer a
// message (probed every kProbeMs from a thread of its own). Cases: the
// posted (ASYNMSG) and the sent delivery, each with the appender joining
// waiting texts and without. Prints figures; asserts no time.
//
//   bench_log [SECONDS]   the most a case may take (default 120)
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "core/TraceLog.h"
#include "framework/win32/CommonControls.h"
#include "platform/win32/Win32Platform.h"
#include "tests/e2e/E2eHarness.h"
#include "tools/uidriver/DialogDriver.h"
#include "ui/Resource.h"
#include "ui/VellocDlg.h"

namespace {

constexpr int kProbeMs = 20;
constexpr int kProbeTimeoutMs = 30000;
constexpr DWORD kAnswerMs = 600000;
// One hit of ProcessRequest writes its "User call" line, the arguments'
// header and one line per argument; 200 hits make kLines lines.
constexpr int kArguments = 48;
constexpr int kLinesPerHit = 2 + kArguments;
const char* const kRun = "100 2";
constexpr int kHits = 100 * 2;
constexpr int kLines = kHits * kLinesPerHit;

struct Case {
    const char* name;
    bool asynMsg;
    bool coalesce;
};

const Case kCases[] = {
    {"ASYNMSG on ", true, true},
    {"ASYNMSG off", false, true},
    {"ASYNMSG on,  no joining", true, false},
    {"ASYNMSG off, no joining", false, false},
};

struct Figures {
    bool complete = false;
    int linesShown = 0;
    double shownSeconds = 0;
    double workloadSeconds = -1;
    long long worstAnswerMs = 0;
    long long logBytes = 0;
};

double Seconds(ULONGLONG since) { return static_cast<double>(GetTickCount64() - since) / 1000.0; }

std::string TracePoint() {
    std::string line = "ProcessRequest (";
    for (int i = 0; i < kArguments; ++i) line += i == 0 ? "0" : ",0";
    return line + ")\n";
}

DWORD WINAPI RunDialog(void*) {
    qv::CVellocDlg dialog;
    qv::AfxSetMainWnd(&dialog);
    dialog.DoModal();
    qv::AfxSetMainWnd(nullptr);
    return 0;
}

long long LineCount(HWND edit) { return static_cast<long long>(::SendMessageA(edit, EM_GETLINECOUNT, 0, 0)); }

// Asks the dialog for an answer every kProbeMs and keeps the longest wait.
class Prober {
public:
    explicit Prober(const uidriver::DialogDriver& driver)
        : m_thread([this, &driver] {
              while (!m_stop) {
                  const long long answer = driver.AnswerTime(kProbeTimeoutMs);
                  m_worst = std::max(m_worst.load(), answer < 0 ? kProbeTimeoutMs : answer);
                  ::Sleep(kProbeMs);
              }
          }) {}
    long long Stop() {
        m_stop = true;
        m_thread.join();
        return m_worst;
    }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<long long> m_worst{0};
    std::thread m_thread;
};

std::optional<Figures> RunCase(demo::DemoServer& server, const Case& test, int budgetSeconds) {
    if (std::FILE* file = std::fopen("Config.ini", "wb")) {
        std::fputs(test.asynMsg ? "[ASYNMSG]=ON\r\n" : "", file);
        std::fclose(file);
    }
    qv::SetLogCoalescing(test.coalesce);
    HANDLE ui = ::CreateThread(nullptr, 0, &RunDialog, nullptr, 0, nullptr);
    uidriver::DialogDriver driver;
    std::optional<Figures> figures;
    if (driver.WaitForDialog(30000) && driver.SelectRow(IDC_PROCESSLIST, std::to_string(server.Pid()), 10000) &&
        driver.Click(IDC_TRACE) && driver.WaitForLog("Initializing complete!", 60000) &&
        driver.SetCheck(IDC_STATONLY, false)) {
        HWND edit = ::GetDlgItem(driver.Dialog(), IDC_LOG);
        Figures result;
        const long long before = LineCount(edit);
        Prober prober(driver);
        const ULONGLONG start = GetTickCount64();
        std::thread workload([&] {
            if (server.Request("run", kRun, kAnswerMs)) result.workloadSeconds = Seconds(start);
        });
        while (!(result.complete = LineCount(edit) - before >= kLines) &&
               Seconds(start) < static_cast<double>(budgetSeconds)) {
            ::Sleep(kProbeMs);
        }
        result.shownSeconds = Seconds(start);
        result.linesShown = static_cast<int>(LineCount(edit) - before);
        result.worstAnswerMs = prober.Stop();
        result.logBytes = ::GetWindowTextLengthA(edit);
        driver.Click(IDC_STOP);
        workload.join();
        uidriver::WaitFor([&] { return driver.IsEnabled(IDC_TRACE); }, 600000);
        figures = result;
    }
    driver.Click(IDC_EXIT);
    if (::WaitForSingleObject(ui, 600000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "bench_log: the dialog did not close\n");
        std::exit(1);
    }
    ::CloseHandle(ui);
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const int budgetSeconds = argc > 1 ? std::atoi(argv[1]) : 120;
    if (budgetSeconds < 1) {
        std::fprintf(stderr, "usage: bench_log [SECONDS]\n");
        return 2;
    }
    qv::InitDialogControls();
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);

    demo::DemoServer server;
    if (!server.Start()) return 1;
    e2e::EnterWorkFolder("bench_log", TracePoint());
    std::printf("bench_log: %d lines (%d hits of %d lines) per case, workload %s, at most %d s a case\n", kLines,
                kHits, kLinesPerHit, kRun, budgetSeconds);
    std::printf("%-24s %14s %12s %12s %16s %10s\n", "case", "lines shown", "all shown", "workload",
                "longest unanswered", "log bytes");
    int result = 0;
    for (const Case& test : kCases) {
        const auto figures = RunCase(server, test, budgetSeconds);
        if (!figures) {
            std::printf("%-24s did not start tracing\n", test.name);
            result = 1;
            continue;
        }
        char shown[32];
        std::snprintf(shown, sizeof shown, figures->complete ? "%.2f s" : "> %.0f s", figures->shownSeconds);
        std::printf("%-24s %8d/%-5d %12s %10.2f s %13lld ms %10lld\n", test.name, figures->linesShown, kLines, shown,
                    figures->workloadSeconds, figures->worstAnswerMs, figures->logBytes);
        std::fflush(stdout);
    }
    const auto check = server.Request("check", "", kAnswerMs).value_or("(no answer)");
    std::printf("server's code check: %s", check.c_str());
    if (!demo::StartsWith(check, "check clean ")) result = 1;
    qv::SetPlatform(nullptr);
    return result;
}
