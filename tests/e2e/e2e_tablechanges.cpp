// Table changes while the demo server's two workers run under Wine: this
// thread disables, enables, deletes and adds trace points through the
// tracer's operations while the workload of a fixed number of iterations
// runs. The trace points left alone must count every call the server
// counted, exactly: a change that released threads held for another
// thread's single step would lose hits. After Stop the server's code is as
// it was.
#include <atomic>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/OptionFlags.h"
#include "core/ProcessHandle.h"
#include "framework/headless/TextLogWindow.h"
#include "platform/win32/Win32Platform.h"
#include "tests/e2e/E2eHarness.h"
#include "tracer/DeamonThread.h"
#include "tracer/TraceSession.h"

namespace {

constexpr DWORD kAnswerMs = 300000;
constexpr DWORD kCompleteMs = 60000;
constexpr int kIterations = 100;
constexpr int kThreads = 2;

// Counted throughout; never touched while the workload runs.
const std::vector<std::string> kSteady = {"ProcessRequest", "ParseStatement", "HashName", "ComputeChecksum",
                                          "CommitTransaction"};
// Disabled, enabled, deleted and added again while it runs.
const std::vector<std::string> kChurned = {"orapls11.dll!orapls_execute", "ORACLE.EXE!FormatRow"};

void EnterWorkFolder() {
    std::string tracePoints;
    for (const std::string& line : kSteady) tracePoints += line + "\n";
    for (const std::string& line : kChurned) tracePoints += line + "\n";
    e2e::EnterWorkFolder("e2e_tablechanges", tracePoints);
}

// The record whose name ends like the trace point's text, -1 when none.
int32_t IndexOf(qv::CDeamonThread& tracer, const std::string& text) {
    const std::string function = text.substr(text.find('!') == std::string::npos ? 0 : text.find('!') + 1);
    for (int32_t i = 0; i < tracer.m_arrBreakPoints.GetSize(); ++i) {
        if (tracer.m_arrBreakPoints.GetAt(i).pszName.find(function) != std::string::npos) return i;
    }
    return -1;
}

// One round of changes to the churned trace points, as the console makes
// them: each operation takes the table lock itself.
int ChangeTables(qv::CDeamonThread& tracer, uint32_t processId) {
    int changes = 0;
    for (const std::string& text : kChurned) {
        int32_t index;
        {
            qv::TableLock lock(tracer);
            index = IndexOf(tracer, text);
        }
        if (index < 0) continue;
        tracer.DisableBreakPoint(processId, index);
        tracer.EnableBreakPoint(processId, index);
        {
            qv::TableLock lock(tracer);
            qv::ProcessHandle process(processId);
            tracer.DeleteBreakPoint(process.get(), index, true);
            const int32_t added = tracer.AddTracePoint(text);
            tracer.ArmBreakPoint(process.get(), added);
        }
        changes += 4;
    }
    return changes;
}

}  // namespace

int main() {
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    e2e::DemoServer server;
    if (!server.Start(kThreads)) {
        E2E_CHECK(!"the demo server started");
        return e2e::Checks().Finish("e2e_tablechanges");
    }
    EnterWorkFolder();
    qv::CTextLogWindow window;
    qv::AfxSetMainWnd(&window);
    qv::g_bStatOnly = true;

    qv::CDeamonThread* tracer = qv::StartTraceSession(server.Pid(), 0);
    E2E_CHECK(e2e::WaitForText(window, "Initializing complete!\r\n", kCompleteMs));
    {
        qv::TableLock lock(*tracer);
        E2E_CHECK(tracer->m_arrBreakPoints.GetSize() == static_cast<int32_t>(kSteady.size() + kChurned.size()));
    }

    std::atomic<bool> running{true};
    std::optional<std::string> answer;
    std::thread client([&] {
        answer = server.Request("run", std::to_string(kIterations) + " " + std::to_string(kThreads), kAnswerMs);
        running = false;
    });
    int changes = 0;
    while (running) changes += ChangeTables(*tracer, server.Pid());
    client.join();
    e2e::Note("%d table changes while the workload ran", changes);
    E2E_CHECK(changes > 0);
    E2E_CHECK(answer.has_value());
    {
        qv::TableLock lock(*tracer);
        for (const std::string& name : kSteady) {
            const int32_t index = IndexOf(*tracer, name);
            const auto calls = e2e::AnswerValue(answer.value_or(""), name);
            const int hits = index < 0 ? -1 : tracer->m_arrBreakPoints.GetAt(index).nHits;
            e2e::Note("%-18s hits %6d  server calls %6llu", name.c_str(), hits, calls.value_or(0));
            E2E_CHECK(calls.has_value() && *calls > 0 && static_cast<unsigned long long>(hits) == *calls);
        }
    }

    E2E_CHECK(qv::StopTraceSession(tracer));
    qv::AfxSetMainWnd(nullptr);

    E2E_CHECK(server.IsRunning());
    E2E_CHECK(e2e::StartsWith(server.Request("check", "", kAnswerMs).value_or(""), "check clean "));
    E2E_CHECK(server.Quit(kAnswerMs).value_or(1) == 0);
    return e2e::Checks().Finish("e2e_tablechanges");
}
