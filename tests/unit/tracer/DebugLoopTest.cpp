#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "tests/support/PeBuilder.h"
#include "tests/unit/tracer/TracerHarness.h"
#include "tracer/Statistics.h"

namespace qv::test {
namespace {

constexpr uint64_t kCode = 0x140001000;
constexpr uint64_t kFunction = kCode + 0x10;
constexpr uint64_t kOther = kCode + 0x40;
const std::vector<uint8_t> kFunctionBytes = {0x55, 0x48, 0x89, 0xE5, 0x5D, 0xC3};
const std::string kFirstLine = "Initializing tracer ...\r\n";
const std::string kMissingFile =
    "Error: File TracePoints.txt not found, please config the trace points in this file, locate at the same "
    "folder of the executable file! \r\n";
const std::string kComplete = "Initializing complete!\r\n";

class DebugLoopTest : public TracerFixture {
protected:
    void SetUp() override {
        TracerFixture::SetUp();
        m_pid = m_machine->CreateBareProcess("server.exe");
        m_t1 = m_machine->CreateThread(m_pid);
        m_t2 = m_machine->CreateThread(m_pid);
        m_machine->MapMemory(m_pid, kCode, 0x1000, sim::Protection::ExecuteRead);
        m_machine->PokeMemory(m_pid, kFunction, kFunctionBytes);
        m_machine->PokeMemory(m_pid, kOther, kFunctionBytes);
    }

    // Starts a tracer with trace points at kFunction and kOther and waits
    // until they are armed.
    void StartTracing(uint32_t threadFilter = 0) {
        Start(m_pid, threadFilter, [](CDeamonThread& tracer) {
            tracer.m_arrBreakPoints.AddBreakPoint(0, kFunction, "Function", {}, 0, true, true);
            tracer.m_arrBreakPoints.AddBreakPoint(0, kOther, "Other", {}, 0, true, true);
        });
        ASSERT_TRUE(WaitForLog(kComplete));
    }

    std::vector<sim::SimCall> Calls(uint64_t function, int count) {
        std::vector<sim::SimCall> calls;
        for (int i = 0; i < count; ++i) calls.push_back(sim::SimCall{function, {uint64_t(i)}, uint64_t(i) * 2, 0, {}});
        return calls;
    }

    void RunToIdle() {
        ASSERT_TRUE(WaitUntil([&] { return m_machine->IsIdle(m_pid); }));
    }

    std::string Statistics() {
        const size_t before = Log().size();
        ReportStatistics(m_tracer, &m_window);
        const std::string text = Log().substr(before);
        return text.substr(text.find("]") + 1);
    }

    uint32_t m_pid = 0;
    uint32_t m_t1 = 0;
    uint32_t m_t2 = 0;
};

TEST_F(DebugLoopTest, RefusedAttachWritesOnlyTheFirstLine) {
    const uint32_t debugged = m_machine->CreateBareProcess("other.exe");
    m_machine->SetDebuggedByOther(debugged, true);
    for (const uint32_t target : {0u, 0x7FF0u, debugged}) {
        Start(target);
        ASSERT_TRUE(m_tracer->WaitForThread(20000));
        EXPECT_FALSE(m_tracer->m_bAttached);
        EXPECT_EQ(m_tracer->m_pfnDebugActiveProcessStop, 0u);
        Stop();
        EXPECT_EQ(Log(), kFirstLine);
        m_window.GetDlgItem(kLogEditId)->SetWindowText("");
    }
    EXPECT_TRUE(m_machine->IsProcessAlive(debugged));
}

TEST_F(DebugLoopTest, TracePointsAreArmedOnceAtTheFirstQuietSecond) {
    StartTracing();
    const uint64_t armedAt = m_machine->VirtualMilliseconds();
    ASSERT_TRUE(WaitUntil([&] { return m_machine->VirtualMilliseconds() > armedAt + 5000; }));
    const std::string log = Log();
    EXPECT_EQ(log.rfind(kFirstLine + kMissingFile, 0), 0u) << log;
    EXPECT_EQ(CountOf(log, kComplete), 1u);
    EXPECT_EQ(m_machine->PeekMemory(m_pid, kFunction, 1)[0], 0xCC);
    // The threads found at attach are recorded.
    TableLock lock(*m_tracer);
    EXPECT_GE(m_tracer->m_arrThreads.FindThread(m_t1), 0);
    EXPECT_GE(m_tracer->m_arrThreads.FindThread(m_t2), 0);
}

TEST_F(DebugLoopTest, CountsEveryHitOfTwoThreadsExactlyAndRestoresTheCode) {
    g_bStatOnly = true;
    StartTracing();
    constexpr int kCalls = 200;
    m_machine->ScriptCalls(m_t1, Calls(kFunction, kCalls));
    m_machine->ScriptCalls(m_t2, Calls(kFunction, kCalls));
    m_machine->ScriptCalls(m_t2, Calls(kOther, 7));
    RunToIdle();
    EXPECT_EQ(Statistics(), "Breakpoints Statistics Report \r\n\t Function (400)\r\n\t Other (7)\r\nTotal: 407 \r\n");
    EXPECT_EQ(m_machine->ThreadStats(m_t1).callsEntered, uint64_t(kCalls));
    EXPECT_EQ(m_machine->ThreadStats(m_t2).callsReturned, uint64_t(kCalls + 7));

    ClearStatistics(m_tracer);
    EXPECT_EQ(Statistics(), "Breakpoints Statistics Report \r\n\t Function (0)\r\n\t Other (0)\r\nTotal: 0 \r\n");
    Stop();
    EXPECT_TRUE(m_machine->IsProcessAlive(m_pid));
    EXPECT_EQ(m_machine->PeekMemory(m_pid, kFunction, kFunctionBytes.size()), kFunctionBytes);
    EXPECT_EQ(m_machine->PeekMemory(m_pid, kOther, kFunctionBytes.size()), kFunctionBytes);
    EXPECT_EQ(m_machine->SuspendCount(m_t1), 0u);
    EXPECT_EQ(m_machine->SuspendCount(m_t2), 0u);
}

TEST_F(DebugLoopTest, OverlappingStepsOfSeveralThreadsLoseNoHit) {
    // Threads hitting different trace points at once: one thread's step
    // must not release the others while another step is still pending.
    g_bStatOnly = true;
    const uint32_t t3 = m_machine->CreateThread(m_pid);
    const uint32_t t4 = m_machine->CreateThread(m_pid);
    StartTracing();
    const std::vector<std::pair<uint32_t, std::vector<uint64_t>>> plans = {
        {m_t1, {kFunction, kOther, kOther}},
        {m_t2, {kOther, kFunction}},
        {t3, {kFunction, kFunction, kOther}},
        {t4, {kOther}},
    };
    std::map<uint64_t, int> expected;
    for (int round = 0; round < 60; ++round) {
        for (const auto& [thread, functions] : plans) {
            std::vector<sim::SimCall> calls;
            for (size_t i = 0; i <= static_cast<size_t>(round) % functions.size(); ++i) {
                const uint64_t function = functions[(i + static_cast<size_t>(round)) % functions.size()];
                calls.push_back(sim::SimCall{function, {}, 0, 0, {}});
                ++expected[function];
            }
            m_machine->ScriptCalls(thread, calls);
        }
    }
    RunToIdle();
    char report[256];
    std::snprintf(report, sizeof report,
                  "Breakpoints Statistics Report \r\n\t Function (%d)\r\n\t Other (%d)\r\nTotal: %d \r\n",
                  expected[kFunction], expected[kOther], expected[kFunction] + expected[kOther]);
    EXPECT_EQ(Statistics(), report);
}

TEST_F(DebugLoopTest, ThreadFilterCountsOnlyThatThread) {
    g_bStatOnly = true;
    StartTracing(m_t2);
    m_machine->ScriptCalls(m_t1, Calls(kFunction, 30));
    m_machine->ScriptCalls(m_t2, Calls(kFunction, 11));
    RunToIdle();
    EXPECT_EQ(Statistics(), "Breakpoints Statistics Report \r\n\t Function (11)\r\n\t Other (0)\r\nTotal: 11 \r\n");
    EXPECT_EQ(m_machine->ThreadStats(m_t1).callsEntered, 30u);
}

TEST_F(DebugLoopTest, WithoutStatOnlyHitsAreNotStored) {
    StartTracing();
    m_machine->ScriptCalls(m_t1, Calls(kFunction, 5));
    RunToIdle();
    EXPECT_EQ(Statistics(), "Breakpoints Statistics Report \r\n\t Function (0)\r\n\t Other (0)\r\nTotal: 0 \r\n");
    EXPECT_EQ(m_machine->ThreadStats(m_t1).callsReturned, 5u);
    EXPECT_EQ(m_machine->PeekMemory(m_pid, kFunction, 1)[0], 0xCC);
}

TEST_F(DebugLoopTest, DetachesOnlyOnTheTracerThreadSoTheTargetCanBeTracedAgain) {
    StartTracing();
    m_tracer->CleanupTracer();  // the user-interface half of Stop: no detach yet
    EXPECT_EQ(m_tracer->m_nProcessId, m_pid);
    Stop();
    EXPECT_TRUE(m_machine->IsProcessAlive(m_pid));
    m_window.GetDlgItem(kLogEditId)->SetWindowText("");
    g_bStatOnly = true;
    StartTracing();
    m_machine->ScriptCalls(m_t1, Calls(kOther, 3));
    RunToIdle();
    EXPECT_EQ(Statistics(), "Breakpoints Statistics Report \r\n\t Function (0)\r\n\t Other (3)\r\nTotal: 3 \r\n");
}

TEST_F(DebugLoopTest, TargetExitingWhileTracedLeavesTheLoopWaitingForStop) {
    StartTracing();
    m_machine->ExitProcess(m_pid, 3);
    const uint64_t exitedAt = m_machine->VirtualMilliseconds();
    ASSERT_TRUE(WaitUntil([&] { return m_machine->VirtualMilliseconds() > exitedAt + 3000; }));
    EXPECT_FALSE(m_tracer->HasEnded());
    Stop();
}

TEST_F(DebugLoopTest, UserInterfaceOperationsRaceTheLoopSafely) {
    g_bStatOnly = true;
    g_bDetail = true;
    StartTracing();
    constexpr int kCalls = 3000;
    m_machine->ScriptCalls(m_t1, Calls(kFunction, kCalls));
    m_machine->ScriptCalls(m_t2, Calls(kFunction, kCalls));
    for (int round = 0; !m_machine->IsIdle(m_pid) && round < 20000; ++round) {
        m_tracer->DisableBreakPoint(m_pid, 1);
        ReportStatistics(m_tracer, &m_window);
        m_tracer->EnableBreakPoint(m_pid, 1);
        PumpMessages();
    }
    RunToIdle();
    EXPECT_EQ(m_machine->ThreadStats(m_t1).callsReturned, uint64_t(kCalls));
    // Stop while the target is still busy.
    m_machine->ScriptCalls(m_t1, Calls(kFunction, kCalls));
    m_machine->ScriptCalls(m_t2, Calls(kOther, kCalls));
    Stop();
    EXPECT_TRUE(m_machine->IsProcessAlive(m_pid));
    m_machine->RunUntilIdle(m_pid);
    EXPECT_TRUE(m_machine->IsProcessAlive(m_pid));
    EXPECT_EQ(m_machine->PeekMemory(m_pid, kFunction, kFunctionBytes.size()), kFunctionBytes);
}

TEST_F(DebugLoopTest, StopWhileTheTracerWritesToTheWindowDoesNotDeadlock) {
    PeBuilder dll;
    dll.AddSection(".text", PeBuilder::kCode, {0xC3});
    for (int i = 0; i < 40; ++i) dll.WriteTo(m_machine->HostPath("C:\\lib" + std::to_string(i) + ".dll"));
    StartTracing();
    for (int i = 0; i < 40; ++i) {
        m_machine->LoadModule(m_pid, "C:\\lib" + std::to_string(i) + ".dll", 0x200000000 + 0x100000 * uint64_t(i));
    }
    // No pumping: let the tracer block in a direct append to this thread's
    // window, then Stop waits for the tracer.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Stop();
    EXPECT_TRUE(m_machine->IsProcessAlive(m_pid));
}

class DispatchTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        m_pid = m_machine->CreateBareProcess("server.exe");
        m_tracer.m_nProcessId = m_pid;
    }
    DebugEvent Exception(uint32_t code, uint64_t address, uint32_t firstChance) {
        DebugEvent event;
        event.dwDebugEventCode = kExceptionDebugEvent;
        event.dwProcessId = m_pid;
        event.dwThreadId = 0x7FFC;
        event.ExceptionCode = code;
        event.ExceptionAddress = address;
        event.dwFirstChance = firstChance;
        return event;
    }
    uint32_t m_pid = 0;
    CDeamonThread m_tracer;
};

TEST_F(DispatchTest, ContinueStatusFollowsTheEvent) {
    struct Case {
        const char* what;
        DebugEvent event;
        uint32_t status;
    };
    DebugEvent unknownCode;
    unknownCode.dwDebugEventCode = 9;
    DebugEvent debugString;
    debugString.dwDebugEventCode = kOutputDebugStringEvent;
    const Case cases[] = {
        {"access violation, first chance", Exception(kExceptionAccessViolation, kCode, 1), kDbgExceptionNotHandled},
        {"access violation, last chance", Exception(kExceptionAccessViolation, kCode, 0), kDbgContinue},
        {"breakpoint not in the table", Exception(kExceptionBreakpoint, kCode, 1), kDbgExceptionNotHandled},
        {"single step of the target's own", Exception(kExceptionSingleStep, kCode, 1), kDbgExceptionNotHandled},
        {"other exception", Exception(0xC0000094, kCode, 1), kDbgExceptionNotHandled},
        {"debug string", debugString, kDbgExceptionNotHandled},
        {"unknown code", unknownCode, kDbgExceptionNotHandled},
    };
    for (const Case& c : cases) EXPECT_EQ(m_tracer.DispatchEvent(c.event), c.status) << c.what;
}

TEST_F(DispatchTest, ThreadEventsKeepTheThreadTableAndTeardownsRepeat) {
    const uint32_t tid = m_machine->CreateThread(m_pid);
    DebugEvent created;
    created.dwDebugEventCode = kCreateThreadDebugEvent;
    created.dwProcessId = m_pid;
    created.dwThreadId = tid;
    m_tracer.DispatchEvent(created);
    EXPECT_EQ(m_tracer.m_arrThreads.FindThread(tid), 0);
    DebugEvent exited = created;
    exited.dwDebugEventCode = kExitThreadDebugEvent;
    m_tracer.DispatchEvent(exited);
    EXPECT_EQ(m_tracer.m_arrThreads.GetSize(), 0);

    m_tracer.m_arrThreads.AddThread(tid);
    m_tracer.m_arrBreakPoints.AddBreakPoint(0, kCode, "f", {}, 0, true, true);
    m_tracer.CleanupTracer();
    m_tracer.CleanupTracer();
    EXPECT_EQ(m_tracer.m_arrThreads.GetSize(), 0);
    EXPECT_EQ(m_tracer.m_arrBreakPoints.GetSize(), 0);
    EXPECT_EQ(m_tracer.m_nProcessId, m_pid);  // never attached: no detach
}

}  // namespace
}  // namespace qv::test
