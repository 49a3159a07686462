// Trace points of the real engine in the demo server under Wine: every
// internal function of the workload (named through ORACLE.SYM, one of them
// recursive) and an export of the server's library, counted in the
// counting-only mode while two worker threads run the workload. The hit
// count of every trace point must equal the calls the server itself
// counted; afterwards the server runs on with its code as it was.
#include <cstdio>
#include <map>
#include <string>

#include "core/OptionFlags.h"
#include "framework/headless/TextLogWindow.h"
#include "platform/win32/Win32Platform.h"
#include "tests/e2e/E2eHarness.h"
#include "tests/e2e/E2eTracer.h"
#include "tracer/DeamonThread.h"
#include "tracer/Statistics.h"

namespace {

constexpr DWORD kAnswerMs = 180000;
constexpr DWORD kCompleteMs = 60000;
constexpr int kIterations = 20;
constexpr int kThreads = 2;

// Display name -> the function whose calls the server counts. FormatRow is
// given by its address, so its name comes back from the symbol file.
const std::map<std::string, std::string> kTracePoints = {
    {"ProcessRequest", "ProcessRequest"},       {"ParseStatement", "ParseStatement"},
    {"HashName", "HashName"},                   {"ComputeChecksum", "ComputeChecksum"},
    {"ORACLE.EXE!FormatRow+0", "FormatRow"},    {"CommitTransaction", "CommitTransaction"},
    {"orapls_execute", "orapls_execute"},
};
// A system export: resolved through the target's export table and armed;
// its calls are nobody's to count here.
const char* const kSystemTracePoint = "GetTickCount";

// The trace point file: names through ORACLE.SYM, one address, a library
// export, a system export, comments, blank lines and refused lines.
std::string TracePointFile(unsigned long long formatRowAddress) {
    char address[32];
    std::snprintf(address, sizeof address, "%llx", formatRowAddress);
    return std::string("# every function of the workload\n"
                       "ORACLE.EXE!ProcessRequest\n"
                       "ParseStatement (0,0,0,0,0*1,0)\n"
                       "\n"
                       "HashName  # twice per statement\n"
                       "ComputeChecksum  # recursive\n") +
           address +
           "   # FormatRow by its address\n"
           "CommitTransaction\n"
           "orapls11.dll!orapls_execute\n"
           "KERNEL32.dll!GetTickCount\n"
           "NoSuchFunction  # refused: not in the symbol file\n"
           "nosuch.dll!Anything  # refused: no such module\n"
           "HashName  # refused: the address is taken\n";
}

void CheckTable(qv::CDeamonThread& tracer) {
    qv::TableLock lock(tracer);
    E2E_CHECK(tracer.m_arrBreakPoints.GetSize() == static_cast<int32_t>(kTracePoints.size() + 1));
    for (int32_t i = 0; i < tracer.m_arrBreakPoints.GetSize(); ++i) {
        const qv::BREAKPOINTINFO& record = tracer.m_arrBreakPoints.GetAt(i);
        E2E_CHECK(kTracePoints.count(record.pszName) == 1 || record.pszName == kSystemTracePoint);
        E2E_CHECK(record.bArmed && record.bEntry);
    }
}

void CheckNoHits(qv::CDeamonThread& tracer) {
    qv::TableLock lock(tracer);
    for (int32_t i = 0; i < tracer.m_arrBreakPoints.GetSize(); ++i) {
        E2E_CHECK(tracer.m_arrBreakPoints.GetAt(i).nHits == 0);
    }
}

// Every count equals the server's own count divided by the share.
void CheckCounts(qv::CDeamonThread& tracer, const std::string& answer, unsigned long long share = 1) {
    qv::TableLock lock(tracer);
    for (int32_t i = 0; i < tracer.m_arrBreakPoints.GetSize(); ++i) {
        const qv::BREAKPOINTINFO& record = tracer.m_arrBreakPoints.GetAt(i);
        const auto function = kTracePoints.find(record.pszName);
        if (function == kTracePoints.end()) continue;
        const auto calls = e2e::AnswerValue(answer, function->second);
        e2e::Note("%-22s hits %6d  server calls %6llu", record.pszName.c_str(), record.nHits, calls.value_or(0));
        E2E_CHECK(calls.has_value() && static_cast<unsigned long long>(record.nHits) * share == *calls);
    }
}

}  // namespace

int main() {
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    e2e::DemoServer server;
    if (!server.Start(kThreads)) {
        E2E_CHECK(!"the demo server started");
        return e2e::Checks().Finish("e2e_tracepoints");
    }
    const std::string info = server.Request("info", "", kAnswerMs).value_or("");
    const auto formatRow = e2e::AnswerValue(info, "FormatRow");
    const auto firstWorker = e2e::AnswerValue(info, "worker0");
    E2E_CHECK(formatRow.has_value() && firstWorker.has_value());
    e2e::EnterWorkFolder("e2e_tracepoints", TracePointFile(formatRow.value_or(0)));
    qv::CTextLogWindow window;
    qv::AfxSetMainWnd(&window);
    qv::g_bStatOnly = true;

    qv::CDeamonThread* tracer = e2e::StartTracer(server.Pid());
    E2E_CHECK(e2e::WaitForText(window, "Initializing complete!\r\n", kCompleteMs));
    CheckTable(*tracer);

    const ULONGLONG start = GetTickCount64();
    const std::string run = std::to_string(kIterations) + " " + std::to_string(kThreads);
    const auto answer = server.Request("run", run, kAnswerMs);
    const ULONGLONG elapsed = GetTickCount64() - start;
    E2E_CHECK(answer.has_value());
    // The workload's fixed shape: per iteration and thread, two hashes and
    // four checksum levels.
    const unsigned long long calls = kIterations * kThreads;
    E2E_CHECK(e2e::AnswerValue(answer.value_or(""), "HashName").value_or(0) == 2 * calls);
    E2E_CHECK(e2e::AnswerValue(answer.value_or(""), "ComputeChecksum").value_or(0) == 4 * calls);
    CheckCounts(*tracer, answer.value_or(""));
    e2e::Note("%llu hits in %llu ms", 11 * calls, elapsed);

    // Clean Stat zeroes every count; a reload drops every record and arms
    // the file again; the counts of a second run are exact again.
    qv::ClearStatistics(tracer);
    CheckNoHits(*tracer);
    tracer->ReloadTracePoints();
    CheckTable(*tracer);
    CheckNoHits(*tracer);
    const auto again = server.Request("run", run, kAnswerMs);
    E2E_CHECK(again.has_value());
    CheckCounts(*tracer, again.value_or(""));

    // With the thread filter on the first worker only its share is counted:
    // both workers run the same iterations, so half of every count.
    qv::ClearStatistics(tracer);
    {
        qv::TableLock lock(*tracer);
        tracer->m_nThreadId = static_cast<uint32_t>(firstWorker.value_or(0));
    }
    const auto filtered = server.Request("run", run, kAnswerMs);
    E2E_CHECK(filtered.has_value());
    CheckCounts(*tracer, filtered.value_or(""), kThreads);

    e2e::StopTracer(tracer);
    qv::AfxSetMainWnd(nullptr);

    E2E_CHECK(server.IsRunning());
    E2E_CHECK(e2e::StartsWith(server.Request("check", "", kAnswerMs).value_or(""), "check clean "));
    const auto after = server.Request("run", run, kAnswerMs).value_or("");
    E2E_CHECK(e2e::AnswerValue(after, "ProcessRequest").value_or(0) == calls);
    E2E_CHECK(server.Quit(kAnswerMs).value_or(1) == 0);
    return e2e::Checks().Finish("e2e_tracepoints");
}
