// tracedemo: starts the demo server, traces it with the real engine for a
// few seconds while a workload runs (the trace log goes to standard
// output), stops the trace, checks that the server still runs with its code
// untouched, and asks it to quit.
//
//   tracedemo [ITERATIONS [THREADS]]      default 2 iterations on 2 threads
//
// The trace points come from TracePoints.txt in the current directory; when
// there is none, the demo writes one naming a few of the server's internal
// functions and an export of its library.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/OptionFlags.h"
#include "framework/headless/TextLogWindow.h"
#include "platform/win32/Win32Platform.h"
#include "tools/demoserver/DemoClient.h"
#include "tracer/DeamonThread.h"
#include "tracer/TraceSession.h"

namespace {

constexpr DWORD kAnswerMs = 120000;
constexpr DWORD kCompleteMs = 60000;

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
    std::fprintf(stderr, "tracedemo: ");
    std::fprintf(stderr, format, text.c_str());
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void EnsureTracePoints() {
    if (std::FILE* existing = std::fopen("TracePoints.txt", "rb")) {
        std::fclose(existing);
        Say("using TracePoints.txt of the current directory");
        return;
    }
    if (std::FILE* file = std::fopen("TracePoints.txt", "wb")) {
        std::fputs(kDefaultTracePoints, file);
        std::fclose(file);
        Say("wrote a TracePoints.txt naming the server's functions");
    }
}

bool WaitForLine(const qv::CTextLogWindow& window, const char* line, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (window.Text().find(line) == std::string::npos) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(50);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int iterations = argc > 1 ? std::atoi(argv[1]) : 2;
    const int threads = argc > 2 ? std::atoi(argv[2]) : 2;
    if (iterations < 1 || threads < 1 || threads > 16) {
        std::fprintf(stderr, "usage: tracedemo [ITERATIONS [THREADS 1..16]]\n");
        return 2;
    }
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    qv::CTextLogWindow window(stdout);
    qv::AfxSetMainWnd(&window);
    qv::g_bDetectRet = true;
    qv::g_bDetail = true;
    qv::g_bDebug = std::getenv("TRACEDEMO_DEBUG") != nullptr;
    EnsureTracePoints();

    demo::DemoServer server;
    if (!server.Start(threads)) {
        Say("the demo server did not start");
        return 1;
    }
    Say("server running, pid %s", std::to_string(server.Pid()));

    qv::CDeamonThread* tracer = qv::StartTraceSession(server.Pid(), 0);
    int result = 0;
    if (!WaitForLine(window, "Initializing complete!\r\n", kCompleteMs)) {
        Say("the tracer did not finish initialising");
        result = 1;
    } else {
        const std::string run = std::to_string(iterations) + " " + std::to_string(threads);
        Say("workload: %s (iterations threads)", run);
        const auto answer = server.Request("run", run, kAnswerMs);
        Say("server's own call counts:\n%s", answer.value_or("(no answer)"));
        if (!answer) result = 1;
    }

    qv::StopTraceSession(tracer);
    qv::AfxSetMainWnd(nullptr);
    Say("trace stopped; server %s", server.IsRunning() ? "still running" : "GONE");

    const auto check = server.Request("check", "", kAnswerMs).value_or("(no answer)");
    Say("server's code check: %s", check);
    const auto code = server.Quit(kAnswerMs);
    Say("server quit with exit code %s", code ? std::to_string(*code) : "(none)");
    if (!code || *code != 0 || !demo::StartsWith(check, "check clean ")) result = 1;
    return result;
}
