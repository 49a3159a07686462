// Call and return reports of the real engine in the demo server under
// Wine, one worker thread so the lines come in the server's order: a
// "User call" line per call with its return address, the stack arguments of
// ParseStatement rendered (the statement text followed through its
// pointer, its length), and a matched return line per call, the recursive
// ComputeChecksum included.
#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "framework/headless/TextLogWindow.h"
#include "platform/win32/Win32Platform.h"
#include "tests/e2e/E2eHarness.h"
#include "tracer/DeamonThread.h"
#include "tracer/OptionFlags.h"

namespace {

constexpr DWORD kAnswerMs = 180000;
constexpr DWORD kCompleteMs = 60000;
constexpr int kIterations = 3;

const char* const kTracePointFile =
    "ParseStatement (0,0,0,0,0*1,0)  # statement and length are parameters 5 and 6\n"
    "ComputeChecksum  # recursive\n"
    "orapls11.dll!orapls_execute\n";

// The statements of iterations 0, 1, 2 and their lengths in hexadecimal.
const char* const kStatements[kIterations] = {"SELECT ENAME FROM EMP", "UPDATE DEPT SET LOC = 'X'",
                                              "DELETE FROM BONUS WHERE SAL < 100"};
const char* const kLengths[kIterations] = {"0x15", "0x1a", "0x21"};

void EnterWorkFolder() {
    const std::string work = e2e::OwnFolder() + "\\e2e_callreports.work";
    CreateDirectoryA(work.c_str(), nullptr);
    SetCurrentDirectoryA(work.c_str());
    if (std::FILE* file = std::fopen("TracePoints.txt", "wb")) {
        std::fputs(kTracePointFile, file);
        std::fclose(file);
    }
}

bool WaitForText(const qv::CTextLogWindow& window, const std::string& text, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (window.Text().find(text) == std::string::npos) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(50);
    }
    return true;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start + 2));
    }
    return lines;
}

struct Report {
    int calls = 0;
    int returns = 0;
    std::vector<std::string> returnAddresses;  // from the call lines, in order
    std::vector<std::string> returnedAt;       // from the return lines, in order
};

void CheckLog(const std::string& log, const std::string& info) {
    static const std::regex kCall(
        R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\]User call: (\w+) \(Return Addr: 0x([0-9a-f]{8}); TID: \d+\) \r\n)");
    static const std::regex kReturn(R"(\t (\w+) return at 0x([0-9a-f]{8}) \r\n)");
    std::map<std::string, Report> reports;
    const auto lines = SplitLines(log);
    int statement = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::smatch match;
        if (std::regex_match(lines[i], match, kCall)) {
            Report& report = reports[match[1]];
            ++report.calls;
            report.returnAddresses.push_back(match[2]);
            if (match[1] != "ParseStatement") continue;
            // Its arguments follow: the header and six slots.
            E2E_CHECK(i + 7 < lines.size() && lines[i + 1] == "\t[Args(6)]: \r\n");
            if (i + 7 >= lines.size() || statement >= kIterations) continue;
            const std::regex text(std::string(R"(\t\t0x[0-9a-f]+\(=>")") + kStatements[statement] + "\"\\)\r\n");
            E2E_CHECK(std::regex_match(lines[i + 6], text));
            E2E_CHECK(lines[i + 7] == std::string("\t\t") + kLengths[statement] + "\r\n");
            ++statement;
        } else if (std::regex_match(lines[i], match, kReturn)) {
            Report& report = reports[match[1]];
            ++report.returns;
            report.returnedAt.push_back(match[2]);
        }
    }
    const int calls = kIterations;
    E2E_CHECK(reports["ParseStatement"].calls == calls && reports["ParseStatement"].returns == calls);
    E2E_CHECK(reports["ComputeChecksum"].calls == 4 * calls && reports["ComputeChecksum"].returns == 4 * calls);
    E2E_CHECK(reports["orapls_execute"].calls == calls && reports["orapls_execute"].returns == calls);
    // A call returns to the address its call line named; ParseStatement is
    // called from ProcessRequest.
    E2E_CHECK(reports["ParseStatement"].returnAddresses == reports["ParseStatement"].returnedAt);
    E2E_CHECK(reports["orapls_execute"].returnAddresses == reports["orapls_execute"].returnedAt);
    const uint64_t caller = e2e::AnswerValue(info, "ProcessRequest").value_or(0);
    for (const std::string& address : reports["ParseStatement"].returnAddresses) {
        const uint64_t value = std::stoull(address, nullptr, 16);
        E2E_CHECK(value > (caller & 0xFFFFFFFFull) && value < (caller & 0xFFFFFFFFull) + 0x1000);
    }
    E2E_CHECK(statement == kIterations);
}

}  // namespace

int main() {
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    EnterWorkFolder();
    e2e::DemoServer server;
    if (!server.Start(1)) {
        E2E_CHECK(!"the demo server started");
        return e2e::Checks().Finish("e2e_callreports");
    }
    const std::string info = server.Request("info", "", kAnswerMs).value_or("");
    qv::CTextLogWindow window;
    qv::AfxSetMainWnd(&window);
    qv::g_bStatOnly = false;
    qv::g_bDetectRet = true;

    auto* tracer = new qv::CDeamonThread;
    tracer->m_bLogToWindow = true;
    tracer->CreateThread(qv::kCreateSuspended);
    tracer->SetTarget(server.Pid(), 0);
    tracer->m_bAutoDelete = false;
    tracer->ResumeThread();
    E2E_CHECK(WaitForText(window, "Initializing complete!\r\n", kCompleteMs));
    const size_t start = window.Text().size();

    const auto answer = server.Request("run", std::to_string(kIterations) + " 1", kAnswerMs);
    E2E_CHECK(e2e::AnswerValue(answer.value_or(""), "ParseStatement").value_or(0) == kIterations);
    Sleep(500);  // the last return lines
    const std::string log = window.Text().substr(start);

    tracer->CleanupTracer();
    tracer->m_bLogToWindow = false;
    tracer->m_bAttached = false;
    tracer->WaitForThread(qv::kInfinite);
    delete tracer;
    qv::AfxSetMainWnd(nullptr);

    CheckLog(log, info);
    if (e2e::Checks().Failed()) std::printf("the log of the run:\n%s", log.c_str());
    E2E_CHECK(e2e::StartsWith(server.Request("check", "", kAnswerMs).value_or(""), "check clean "));
    E2E_CHECK(server.Quit(kAnswerMs).value_or(1) == 0);
    return e2e::Checks().Finish("e2e_callreports");
}
