// The real tracer engine on the real platform against the demo server under
// Wine: the attach burst and its log lines, the server recognised with its
// symbol file, the stop (teardown and detach on the tracer thread) leaving a
// server that still works with untouched code, and refused attaches.
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "framework/headless/TextLogWindow.h"
#include "platform/win32/Win32Platform.h"
#include "tests/e2e/E2eHarness.h"
#include "tests/e2e/E2eTracer.h"
#include "tracer/DeamonThread.h"

namespace {

constexpr DWORD kAnswerMs = 60000;
constexpr DWORD kCompleteMs = 60000;

const char* const kFirstLine = "Initializing tracer ...\r\n";
const char* const kCompleteLine = "Initializing complete!\r\n";

uint64_t InfoAddress(const std::string& info, const char* function) {
    return e2e::AnswerValue(info, function).value_or(0);
}

void CheckAttachLog(const std::string& log) {
    const auto lines = e2e::SplitLines(log);
    E2E_CHECK(!lines.empty() && lines.front() == kFirstLine);
    E2E_CHECK(!lines.empty() && lines.back() == kCompleteLine);
    static const std::regex kDllLine(
        R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\]DLL loaded, file=[A-Za-z]:\\[^\r\n]* \r\n)");
    int dllLines = 0;
    bool sawLibrary = false;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const bool isDll = std::regex_match(lines[i], kDllLine);
        if (!isDll) e2e::Note("unexpected line: %s", lines[i].c_str());
        E2E_CHECK(isDll);
        dllLines += isDll ? 1 : 0;
        sawLibrary = sawLibrary || lines[i].find("\\BIN\\orapls11.dll \r\n") != std::string::npos;
    }
    E2E_CHECK(dllLines >= 3);
    E2E_CHECK(sawLibrary);
}

// The server recognised, its symbol file read with the image's size and
// time stamp (found by bare name through PATH), the export table of its
// library: each names the address the server itself reported.
void CheckSymbols(qv::CDeamonThread& tracer, const std::string& info) {
    qv::TableLock lock(tracer);
    E2E_CHECK(tracer.m_bOracleFound);
    E2E_CHECK(tracer.m_nOracleVersion == 11);
    E2E_CHECK(tracer.m_szOracleHome.size() > 12 &&
              _stricmp(tracer.m_szOracleHome.c_str() + tracer.m_szOracleHome.size() - 12, "\\server-home") == 0);
    const int32_t exe = tracer.m_arrModules.FindModule("ORACLE.EXE");
    const int32_t dll = tracer.m_arrModules.FindModule("orapls11.dll");
    E2E_CHECK(exe >= 0 && dll >= 0);
    if (exe < 0 || dll < 0) return;
    const qv::MODULEINFOEX server = tracer.m_arrModules.GetAt(exe);
    const qv::MODULEINFOEX library = tracer.m_arrModules.GetAt(dll);
    E2E_CHECK(server.nSize != 0 && library.nSize != 0);
    for (const char* function : {"ProcessRequest", "ParseStatement", "HashName", "ComputeChecksum", "FormatRow",
                                 "CommitTransaction"}) {
        uint64_t size = 0;
        const uint64_t address = tracer.ResolveSymbol(server.nBase, server.pszName, function, &size);
        if (address != InfoAddress(info, function)) e2e::Note("%s: 0x%llx", function, (unsigned long long)address);
        E2E_CHECK(address != 0 && address == InfoAddress(info, function));
        E2E_CHECK(size > 0 && size < 0x1000);
        const auto text = tracer.ResolveSymbol(server.nBase, server.pszName, address + 3, nullptr);
        E2E_CHECK(text.value_or("") == std::string("ORACLE.EXE!") + function + "+3");
    }
    uint64_t size = 0;
    const uint64_t exported = tracer.ResolveSymbol(library.nBase, library.pszName, "orapls_execute", &size);
    E2E_CHECK(exported != 0 && exported == InfoAddress(info, "orapls_execute"));
}

void CheckServerHealthy(e2e::DemoServer& server) {
    E2E_CHECK(server.IsRunning());
    const auto run = server.Request("run", "3 2", kAnswerMs).value_or("");
    E2E_CHECK(e2e::AnswerValue(run, "ProcessRequest").value_or(0) == 6);
    E2E_CHECK(e2e::AnswerValue(run, "HashName").value_or(0) == 12);
    E2E_CHECK(e2e::AnswerValue(run, "ComputeChecksum").value_or(0) == 24);
    const auto check = server.Request("check", "", kAnswerMs).value_or("(no answer)");
    if (!e2e::StartsWith(check, "check clean ")) e2e::Note("check: %s", check.c_str());
    E2E_CHECK(e2e::StartsWith(check, "check clean "));
}

}  // namespace

int main() {
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    e2e::EnterWorkFolder("e2e_engine", "");
    e2e::DemoServer server;
    if (!server.Start()) {
        E2E_CHECK(!"the demo server started");
        return e2e::Checks().Finish("e2e_engine");
    }
    const std::string info = server.Request("info", "", kAnswerMs).value_or("");

    qv::CTextLogWindow window;
    qv::AfxSetMainWnd(&window);

    // Attach: the burst, then the first quiet second.
    ULONGLONG start = GetTickCount64();
    qv::CDeamonThread* tracer = e2e::StartTracer(server.Pid());
    E2E_CHECK(e2e::WaitForText(window, kCompleteLine, kCompleteMs));
    const ULONGLONG attachMs = GetTickCount64() - start;
    e2e::Note("attach to complete: %llu ms", attachMs);
    E2E_CHECK(attachMs >= 1000);  // not before a whole quiet second
    CheckAttachLog(window.Text());
    CheckSymbols(*tracer, info);

    // Traced without trace points, the server works as before.
    const auto traced = server.Request("run", "2 2", kAnswerMs).value_or("(no answer)");
    if (e2e::AnswerValue(traced, "FormatRow").value_or(0) != 4) e2e::Note("traced run: %s", traced.c_str());
    E2E_CHECK(e2e::AnswerValue(traced, "FormatRow").value_or(0) == 4);

    // A second tracer on the same process is refused: its first line only.
    const size_t before = window.Text().size();
    qv::CDeamonThread* second = e2e::StartTracer(server.Pid());
    E2E_CHECK(second->WaitForThread(30000));
    E2E_CHECK(window.Text().substr(before) == kFirstLine);
    E2E_CHECK(!second->m_bAttached);
    e2e::StopTracer(second);

    const ULONGLONG stopMs = e2e::StopTracer(tracer);
    e2e::Note("stop: %llu ms", stopMs);
    CheckServerHealthy(server);

    // No process selected: the first line only, and the thread ends.
    window.Clear();
    qv::CDeamonThread* none = e2e::StartTracer(0);
    E2E_CHECK(none->WaitForThread(30000));
    E2E_CHECK(window.Text() == kFirstLine);
    e2e::StopTracer(none);

    // Attach again after a detach: the server is traceable again.
    window.Clear();
    start = GetTickCount64();
    tracer = e2e::StartTracer(server.Pid());
    E2E_CHECK(e2e::WaitForText(window, kCompleteLine, kCompleteMs));
    e2e::Note("second attach to complete: %llu ms", GetTickCount64() - start);
    e2e::StopTracer(tracer);
    CheckServerHealthy(server);

    qv::AfxSetMainWnd(nullptr);
    E2E_CHECK(server.Quit(kAnswerMs).value_or(1) == 0);
    return e2e::Checks().Finish("e2e_engine");
}
