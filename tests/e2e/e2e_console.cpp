// The console's commands on the real engine against the demo server under
// Wine: trace points added, listed, hit and disabled; a string of the
// server read by address; a code byte poked, seen by the server's own
// check and put back; symbols located both ways; a traced function listed
// from its real first instruction with its call targets named through
// ORACLE.SYM; the headers report of the server's file.
#include <cstdio>
#include <string>

#include "framework/headless/TextLogWindow.h"
#include "peinfo/PeReports.h"
#include "platform/win32/Win32Platform.h"
#include "tests/e2e/E2eHarness.h"
#include "tests/e2e/E2eTracer.h"
#include "tracer/DeamonThread.h"
#include "core/OptionFlags.h"
#include "base/PeImage.h"
#include "core/MappedFile.h"
#include "ui/console/CommandConsole.h"

namespace {

constexpr DWORD kAnswerMs = 180000;
constexpr DWORD kCompleteMs = 60000;

using e2e::Address32;
using e2e::Hex;

class Console {
public:
    Console(qv::CDeamonThread& tracer, qv::CTextLogWindow& window) : m_window(window) {
        m_session.pTracer = &tracer;
        m_session.pLogWindow = &window;
    }
    // Runs a command; what it wrote to the log.
    std::string Run(const std::string& text) {
        const size_t before = m_window.Text().size();
        qv::ExecuteConsoleCommand(text, m_session);
        const std::string written = m_window.Text().substr(before);
        e2e::Note("> %s\n%s", text.c_str(), written.substr(0, 600).c_str());
        return written;
    }

private:
    qv::CTextLogWindow& m_window;
    qv::ConsoleSession m_session;
};

int HitsOf(qv::CDeamonThread& tracer, int index) {
    qv::TableLock lock(tracer);
    return tracer.m_arrBreakPoints.IsValidIndex(index) ? tracer.m_arrBreakPoints.GetAt(index).nHits : -1;
}

std::string HeadersReport(const std::string& path) {
    qv::CTextLogWindow window;
    qv::MAPPEDFILE mapping;
    if (!qv::MapFileReadOnly(path, mapping)) return {};
    qv::ReportFileHeader(mapping.View(), &window);
    qv::ReportOptionalHeader(mapping.View(), &window);
    qv::ReportSections(mapping.View(), &window);
    qv::UnmapFile(mapping);
    return window.Text();
}

}  // namespace

int main() {
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    e2e::DemoServer server;
    if (!server.Start(2)) {
        E2E_CHECK(!"the demo server started");
        return e2e::Checks().Finish("e2e_console");
    }
    const std::string info = server.Request("info", "", kAnswerMs).value_or("");
    const unsigned long long hashName = e2e::AnswerValue(info, "HashName").value_or(0);
    const unsigned long long processRequest = e2e::AnswerValue(info, "ProcessRequest").value_or(0);
    const unsigned long long text = e2e::AnswerValue(info, "text").value_or(0);
    E2E_CHECK(hashName != 0 && processRequest != 0 && text != 0);

    const std::string work = e2e::OwnFolder() + "\\e2e_console.work";
    CreateDirectoryA(work.c_str(), nullptr);
    SetCurrentDirectoryA(work.c_str());
    if (std::FILE* file = std::fopen("TracePoints.txt", "wb")) {
        std::fputs("# trace points come from the console\n", file);
        std::fclose(file);
    }
    qv::CTextLogWindow window;
    qv::AfxSetMainWnd(&window);
    qv::g_bStatOnly = true;
    qv::CDeamonThread* tracer = e2e::StartTracer(server.Pid());
    E2E_CHECK(e2e::WaitForText(window, "Initializing complete!\r\n", kCompleteMs));
    Console console(*tracer, window);

    // Added, listed, hit exactly as the server counts, disabled.
    E2E_CHECK(console.Run("$addbt$ HashName") == "");
    E2E_CHECK(console.Run("$listbt$") == "#0: HashName*0[" + Address32(hashName) + "] () Enabled\r\n");
    const auto run = server.Request("run", "5 2", kAnswerMs).value_or("");
    E2E_CHECK(HitsOf(*tracer, 0) > 0 &&
              static_cast<unsigned long long>(HitsOf(*tracer, 0)) == e2e::AnswerValue(run, "HashName").value_or(0));

    // The traced function reads and lists as its own code, not our 0xCC.
    const std::string firstByte = console.Run("$peek$ " + Hex(hashName) + " 1");
    E2E_CHECK(firstByte.size() == 6 && firstByte != "0xcc\r\n");
    const std::string listing = console.Run("HashName");
    char firstLine[64];
    std::snprintf(firstLine, sizeof firstLine, "Disassembling ORACLE.EXE!HashName \r\n  %08X:\t",
                  static_cast<unsigned>(hashName));
    E2E_CHECK(e2e::StartsWith(listing, firstLine));
    E2E_CHECK(listing.find("INT 3") == std::string::npos);
    E2E_CHECK(console.Run("ProcessRequest").find(" ORACLE.EXE!ParseStatement+0") != std::string::npos);

    E2E_CHECK(console.Run("$disablebt$ 0") == "");
    E2E_CHECK(console.Run("$listbt$").find(") Disabled\r\n") != std::string::npos);
    server.Request("run", "5 2", kAnswerMs);
    E2E_CHECK(HitsOf(*tracer, 0) == static_cast<int>(e2e::AnswerValue(run, "HashName").value_or(0)));

    // A string of the server's by its address; symbols both ways.
    E2E_CHECK(console.Run("$peek$ " + Hex(text)) == "\"ProcessRequest\"\r\n");
    E2E_CHECK(console.Run("$locate$ HashName") == Address32(hashName) + "\r\n");
    E2E_CHECK(console.Run("$locate$ " + Hex(hashName + 4)) == "ORACLE.EXE!HashName+4\r\n");

    // A poked code byte is there for the server to see, and goes back.
    const std::string original = firstByte.substr(2, 2);
    E2E_CHECK(console.Run("$poke$ " + Hex(hashName) + " c3") ==
              "[" + Address32(hashName) + "]: " + original + " => c3 \r\n");
    E2E_CHECK(console.Run("$peek$ " + Hex(hashName) + " 1") == "0xc3\r\n");
    E2E_CHECK(e2e::StartsWith(server.Request("check", "", kAnswerMs).value_or(""), "check changed "));
    console.Run("$poke$ " + Hex(hashName) + " " + original);
    E2E_CHECK(e2e::StartsWith(server.Request("check", "", kAnswerMs).value_or(""), "check clean "));

    const std::string headers = HeadersReport(demo::ServerHome() + "\\BIN\\ORACLE.EXE");
    E2E_CHECK(!headers.empty() && console.Run("$procinfo$") == headers);

    e2e::StopTracer(tracer);
    qv::AfxSetMainWnd(nullptr);
    E2E_CHECK(e2e::StartsWith(server.Request("check", "", kAnswerMs).value_or(""), "check clean "));
    E2E_CHECK(server.Quit(kAnswerMs).value_or(1) == 0);
    return e2e::Checks().Finish("e2e_console");
}
