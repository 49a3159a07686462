// Hits per second on the demo server's workload, in one run: a minimal
// correct int3 loop of its own (attach, arm, count, step over with the other
// threads held, re-arm) as the yardstick, then the engine counting only
// (Stat Only), then the engine writing full reports (return catching, the
// detailed return line, arguments and a call stack) with the log delivered
// directly and asynchronously to a window whose thread is this one. For each
// run it prints the calls per hit across the platform seam, by kind (the
// yardstick counts its own Win32 calls the same way).
#include <algorithm>
#include <cstdio>
#include <future>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "core/OptionFlags.h"
#include "core/TraceLog.h"
#include "framework/headless/HeadlessWnd.h"
#include "platform/CountingPlatform.h"
#include "platform/win32/Win32Platform.h"
#include "tests/e2e/E2eHarness.h"
#include "tracer/DeamonThread.h"
#include "tracer/TraceSession.h"

namespace {

constexpr DWORD kAnswerMs = 600000;
constexpr int kIterations = 120;
constexpr int kThreads = 2;
// The traced functions and their calls per iteration and thread.
const std::map<std::string, int> kFunctions = {{"ProcessRequest", 1}, {"ParseStatement", 1}, {"HashName", 2},
                                               {"ComputeChecksum", 4}, {"FormatRow", 1},   {"CommitTransaction", 1},
                                               {"TableName", 1}};
constexpr int kCallsPerIteration = 11;
// Each round runs every case once, its ratios taken to that round's own
// yardstick; the median of the rounds stands up to the load of a shared
// machine better than one run does.
constexpr int kRounds = 5;

std::string RunBody() { return std::to_string(kIterations) + " " + std::to_string(kThreads); }
double HitsPerSecond(unsigned long long hits, ULONGLONG ms) { return ms == 0 ? 0.0 : hits * 1000.0 / ms; }
double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Calls per hit: the total, then each kind that occurred.
void PrintCallsPerHit(const std::map<std::string, uint64_t>& calls, unsigned long long hits) {
    if (hits == 0) return;
    uint64_t total = 0;
    for (const auto& [kind, count] : calls) total += count;
    std::printf("    %.1f calls per hit:", static_cast<double>(total) / hits);
    for (const auto& [kind, count] : calls) {
        if (count != 0) std::printf(" %s %.2f", kind.c_str(), static_cast<double>(count) / hits);
    }
    std::printf("\n");
    std::fflush(stdout);
}

// ---- the yardstick ----

struct Planted {
    uintptr_t address;
    BYTE saved;
};

class Int3Loop {
public:
    Int3Loop(DWORD pid, std::vector<uintptr_t> addresses) : m_pid(pid), m_addresses(std::move(addresses)) {}

    // Attaches, waits out the attach burst, arms, runs the request to its
    // answer, disarms and detaches. The hits counted.
    unsigned long long Run(e2e::DemoServer& server, ULONGLONG& elapsedMs) {
        if (!DebugActiveProcess(m_pid)) return 0;
        DebugSetProcessKillOnExit(FALSE);
        m_process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, m_pid);
        DEBUG_EVENT event;
        while (WaitForDebugEvent(&event, 500)) Handle(event);
        Arm();
        const ULONGLONG start = GetTickCount64();
        m_calls.clear();
        const std::string id = server.Send("run", RunBody());
        // The answer is looked for between events at most every 50 ms, so
        // that the loop itself costs the hits nothing.
        ULONGLONG looked = 0;
        for (;;) {
            m_calls["WaitForDebugEvent"]++;
            if (WaitForDebugEvent(&event, 50)) Handle(event);
            const ULONGLONG now = GetTickCount64();
            if (now - looked < 50) continue;
            looked = now;
            if (server.Await(id, 0)) break;
        }
        elapsedMs = GetTickCount64() - start;
        m_measured = m_calls;
        Disarm();
        while (WaitForDebugEvent(&event, 100)) Handle(event);
        DebugActiveProcessStop(m_pid);
        for (auto& [id, thread] : m_threads) CloseHandle(thread);
        CloseHandle(m_process);
        return m_hits;
    }
    // The Win32 calls of the measured span, by kind.
    const std::map<std::string, uint64_t>& Calls() const { return m_measured; }

private:
    void Arm() {
        for (const uintptr_t address : m_addresses) {
            Planted planted{address, 0};
            ReadProcessMemory(m_process, reinterpret_cast<void*>(address), &planted.saved, 1, nullptr);
            WriteByte(address, 0xCC);
            m_planted[address] = planted;
        }
    }
    void Disarm() {
        for (const auto& [address, planted] : m_planted) WriteByte(address, planted.saved);
        m_planted.clear();
    }
    void WriteByte(uintptr_t address, BYTE value) {
        WriteProcessMemory(m_process, reinterpret_cast<void*>(address), &value, 1, nullptr);
        FlushInstructionCache(m_process, reinterpret_cast<void*>(address), 1);
        m_calls["WriteProcessMemory"]++;
        m_calls["FlushInstructionCache"]++;
    }
    void HoldOthers(DWORD thread, bool hold) {
        for (const auto& [id, handle] : m_threads) {
            if (id == thread) continue;
            if (hold) {
                SuspendThread(handle);
            } else {
                ResumeThread(handle);
            }
            m_calls[hold ? "SuspendThread" : "ResumeThread"]++;
        }
    }
    void Handle(const DEBUG_EVENT& event) {
        DWORD status = DBG_EXCEPTION_NOT_HANDLED;
        switch (event.dwDebugEventCode) {
            case CREATE_PROCESS_DEBUG_EVENT:
                m_threads[event.dwThreadId] = OpenThread(THREAD_ALL_ACCESS, FALSE, event.dwThreadId);
                if (event.u.CreateProcessInfo.hFile != nullptr) CloseHandle(event.u.CreateProcessInfo.hFile);
                break;
            case CREATE_THREAD_DEBUG_EVENT:
                m_threads[event.dwThreadId] = OpenThread(THREAD_ALL_ACCESS, FALSE, event.dwThreadId);
                break;
            case EXIT_THREAD_DEBUG_EVENT:
                if (m_threads.count(event.dwThreadId)) CloseHandle(m_threads[event.dwThreadId]);
                m_threads.erase(event.dwThreadId);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                if (event.u.LoadDll.hFile != nullptr) CloseHandle(event.u.LoadDll.hFile);
                break;
            case EXCEPTION_DEBUG_EVENT:
                status = OnException(event);
                break;
            default:
                break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        m_calls["ContinueDebugEvent"]++;
    }
    DWORD OnException(const DEBUG_EVENT& event) {
        const auto& record = event.u.Exception.ExceptionRecord;
        const auto address = reinterpret_cast<uintptr_t>(record.ExceptionAddress);
        if (record.ExceptionCode == EXCEPTION_BREAKPOINT) {
            const auto found = m_planted.find(address);
            // The attach break-in, or nothing of ours.
            if (found == m_planted.end()) return DBG_CONTINUE;
            const HANDLE thread = m_threads[event.dwThreadId];
            CONTEXT context{};
            context.ContextFlags = CONTEXT_CONTROL;
            GetThreadContext(thread, &context);
            m_calls["GetThreadContext"]++;
            context.Rip = address;
            m_calls["SetThreadContext"]++;
            // A hit queued while another thread steps: run it again once
            // that step is over and the thread is let go.
            if (!m_stepping.empty()) {
                SetThreadContext(thread, &context);
                return DBG_CONTINUE;
            }
            ++m_hits;
            HoldOthers(event.dwThreadId, true);
            context.EFlags |= 0x100;
            SetThreadContext(thread, &context);
            WriteByte(address, found->second.saved);
            m_stepping[event.dwThreadId] = address;
            return DBG_CONTINUE;
        }
        if (record.ExceptionCode == EXCEPTION_SINGLE_STEP) {
            const auto found = m_stepping.find(event.dwThreadId);
            if (found == m_stepping.end()) return DBG_EXCEPTION_NOT_HANDLED;
            if (m_planted.count(found->second)) WriteByte(found->second, 0xCC);
            m_stepping.erase(found);
            HoldOthers(event.dwThreadId, false);
            return DBG_CONTINUE;
        }
        return DBG_EXCEPTION_NOT_HANDLED;
    }

    DWORD m_pid;
    std::vector<uintptr_t> m_addresses;
    HANDLE m_process = nullptr;
    std::map<DWORD, HANDLE> m_threads;
    std::map<uintptr_t, Planted> m_planted;
    std::map<DWORD, uintptr_t> m_stepping;
    unsigned long long m_hits = 0;
    std::map<std::string, uint64_t> m_calls;
    std::map<std::string, uint64_t> m_measured;
};

// ---- the engine ----

class LogWindow : public qv::CHeadlessWnd {
public:
    LogWindow() { AddControl(qv::kLogEditId, Kind::Edit); }
    qv::LResult WindowProc(uint32_t message, qv::WParam wParam, qv::LParam lParam) override {
        return message == qv::kWmAsyncLog ? qv::OnAsyncLog(this, wParam, lParam) : 0;
    }
    size_t LogLength() const { return GetDlgItem(qv::kLogEditId)->GetWindowText().size(); }
};

void WriteTracePoints(bool reports) {
    std::string text;
    for (const auto& [name, calls] : kFunctions) {
        text += name;
        if (reports && name == "ParseStatement") text += "*2 (0,0,0,0,0*1,0)";
        if (reports && (name == "FormatRow" || name == "TableName")) text += " (0,0,0,0,0*1,0)";
        text += "\n";
    }
    if (std::FILE* file = std::fopen("TracePoints.txt", "wb")) {
        std::fputs(text.c_str(), file);
        std::fclose(file);
    }
}

// One traced run: the request goes out on another thread while this one is
// the window's thread. The calls of the traced functions per second.
std::map<std::string, uint64_t> ByKind(const qv::PlatformCallCounts& counts) {
    std::map<std::string, uint64_t> calls;
    for (size_t i = 0; i < counts.size(); ++i) calls[qv::kPlatformCallNames[i]] = counts[i];
    return calls;
}

double EngineRun(e2e::DemoServer& server, LogWindow& window, qv::CountingPlatform& counting, bool reports,
                 const char* label, bool verbose) {
    WriteTracePoints(reports);
    qv::g_bStatOnly = !reports;
    qv::g_bDetectRet = reports;
    qv::g_bDetail = reports;
    qv::CDeamonThread* tracer = qv::StartTraceSession(server.Pid(), 0);
    qv::PumpMessagesUntil(
        [&] { return window.GetDlgItem(qv::kLogEditId)->GetWindowText().find("Initializing complete!") != std::string::npos; },
        60000);
    const size_t before = window.LogLength();
    const qv::PlatformCallCounts callsBefore = counting.Counts();
    const ULONGLONG start = GetTickCount64();
    auto answer = std::async(std::launch::async, [&] { return server.Request("run", RunBody(), kAnswerMs); });
    qv::PumpMessagesUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
                          kAnswerMs);
    const ULONGLONG elapsed = GetTickCount64() - start;
    const qv::PlatformCallCounts platformCalls = qv::CallsBetween(callsBefore, counting.Counts());
    const bool answered = answer.get().has_value();
    qv::PumpMessages();
    const size_t written = window.LogLength() - before;
    qv::StopTraceSession(tracer);
    const unsigned long long calls = 1ull * kCallsPerIteration * kIterations * kThreads;
    const double rate = HitsPerSecond(calls, elapsed);
    // With return catching every call hits its trace point and its return
    // address.
    const unsigned long long hits = reports ? 2 * calls : calls;
    if (verbose || !answered) {
        std::printf("%-34s %6llu calls in %6llu ms: %8.1f calls/s, %zu log bytes%s\n", label, calls, elapsed, rate,
                    written, answered ? "" : "  (NO ANSWER)");
        std::printf("    %llu breakpoint hits\n", hits);
        PrintCallsPerHit(ByKind(platformCalls), hits);
    }
    window.GetDlgItem(qv::kLogEditId)->SetWindowText("");
    return rate;
}

}  // namespace

int main() {
    qv::win32::Win32Platform win32;
    qv::CountingPlatform platform(win32);
    qv::SetPlatform(&platform);
    e2e::DemoServer server;
    if (!server.Start(kThreads)) return 1;
    const std::string info = server.Request("info", "", kAnswerMs).value_or("");
    std::vector<uintptr_t> addresses;
    for (const auto& [name, calls] : kFunctions) addresses.push_back(e2e::AnswerValue(info, name).value_or(0));
    const std::string work = e2e::OwnFolder() + "\\bench_reports.work";
    CreateDirectoryA(work.c_str(), nullptr);
    SetCurrentDirectoryA(work.c_str());

    LogWindow window;
    qv::AfxSetMainWnd(&window);
    struct EngineCase {
        const char* label;
        const char* shortLabel;  // in the ratio lines
        bool reports;
        bool asynchronous;
        std::vector<double> ratios;  // one per round, in per cent of its yardstick
    };
    EngineCase cases[] = {
        {"engine, Stat Only", "Stat Only", false, false, {}},
        {"engine, full reports, direct", "full direct", true, false, {}},
        {"engine, full reports, asynchronous", "full asynchronous", true, true, {}},
    };
    const auto printRatios = [&](const auto& ratioOf) {
        for (size_t i = 0; i < std::size(cases); ++i) {
            std::printf("%s%s %.0f %%", i == 0 ? "" : ", ", cases[i].shortLabel, ratioOf(cases[i]));
        }
        std::printf("\n");
        std::fflush(stdout);
    };
    for (int round = 1; round <= kRounds; ++round) {
        const bool verbose = round == 1;
        ULONGLONG yardstickMs = 0;
        Int3Loop loop(server.Pid(), addresses);
        const unsigned long long hits = loop.Run(server, yardstickMs);
        const double yardstick = HitsPerSecond(hits, yardstickMs);
        if (verbose) {
            std::printf("%-34s %6llu hits  in %6llu ms: %8.1f hits/s\n", "int3 loop (yardstick)", hits, yardstickMs,
                        yardstick);
            PrintCallsPerHit(loop.Calls(), hits);
        }
        for (EngineCase& engine : cases) {
            qv::g_bAsynMsg = engine.asynchronous;
            engine.ratios.push_back(100 * EngineRun(server, window, platform, engine.reports, engine.label, verbose) /
                                    yardstick);
        }
        qv::g_bAsynMsg = false;
        std::printf("round %d, ratios to its yardstick (%.1f hits/s): ", round, yardstick);
        printRatios([](const EngineCase& engine) { return engine.ratios.back(); });
    }
    qv::AfxSetMainWnd(nullptr);
    std::printf("median of %d rounds: ", kRounds);
    printRatios([](const EngineCase& engine) { return Median(engine.ratios); });
    const bool clean = e2e::StartsWith(server.Request("check", "", kAnswerMs).value_or(""), "check clean ");
    std::printf("server code after the runs: %s\n", clean ? "clean" : "CHANGED");
    server.Quit(kAnswerMs);
    return clean ? 0 : 1;
}
