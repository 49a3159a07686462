// The hit path event by event: the test thread is the debugger and hands
// each debug event to the tracer itself, so it can act between a hit and
// the end of its single step. The code has real instruction lengths: a
// thread continued anywhere but at the start of its next instruction
// faults in the simulated machine.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/ProcessHandle.h"
#include "platform/CountingPlatform.h"
#include "platform/Platform.h"
#include "tests/unit/tracer/TracerHarness.h"

namespace qv::test {
namespace {

constexpr uint64_t kCode = 0x140001000;
constexpr uint64_t kFirst = kCode + 0x10;
constexpr uint64_t kSecond = kCode + 0x40;
constexpr uint64_t kThird = kCode + 0x70;
// sub rsp,28h / ret: the 0xCC replaces the first byte of a 4-byte
// instruction, so Rip left after it stands inside that instruction.
const std::vector<uint8_t> kFunctionBytes = {0x48, 0x83, 0xEC, 0x28, 0xC3};
const std::vector<uint8_t> kFunctionLengths = {4, 1};

class HitPathTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        m_pid = m_machine->CreateBareProcess("server.exe");
        m_t1 = m_machine->CreateThread(m_pid);
        m_t2 = m_machine->CreateThread(m_pid);
        m_machine->MapMemory(m_pid, kCode, 0x1000, sim::Protection::ExecuteRead);
        for (const uint64_t function : {kFirst, kSecond, kThird}) {
            m_machine->PokeMemory(m_pid, function, kFunctionBytes);
            m_machine->DefineInstructions(m_pid, function, kFunctionLengths);
        }
        m_tracer = std::make_unique<CDeamonThread>();
        m_tracer->SetTarget(m_pid, 0);
        ASSERT_TRUE(m_tracer->InitTracer());
        RunToQuiet();
        g_bStatOnly = true;
        m_tracer->m_arrBreakPoints.AddBreakPoint(0, kFirst, "First", {}, 0, true, true);
        m_tracer->m_arrBreakPoints.AddBreakPoint(0, kSecond, "Second", {}, 0, true, true);
        m_tracer->SetTracePoints();
    }
    void TearDown() override {
        if (m_tracer->m_bAttached) Stop();
        m_tracer.reset();
        SimFixture::TearDown();
    }
    // A fresh machine and tracer, for cases that each need one.
    void Restart() {
        TearDown();
        SetUp();
    }

    // One event: false when none came.
    bool HandleNext() {
        DebugEvent event;
        if (!Platform().WaitForDebugEvent(event, 1000)) return false;
        Platform().ContinueDebugEvent(event.dwProcessId, event.dwThreadId, m_tracer->HandleDebugEvent(event));
        m_last = event;
        return true;
    }
    void RunToQuiet() {
        for (int i = 0; i < 100000 && HandleNext(); ++i) {
        }
    }
    // Handles events until that thread's breakpoint at address arrives (and
    // is handled).
    void HandleUntilHit(uint64_t address, uint32_t threadId) {
        for (int i = 0; i < 1000; ++i) {
            ASSERT_TRUE(HandleNext()) << "no such hit";
            if (m_last.dwDebugEventCode == kExceptionDebugEvent && m_last.ExceptionCode == kExceptionBreakpoint &&
                m_last.dwThreadId == threadId && m_last.ExceptionAddress == address) {
                return;
            }
        }
        FAIL() << "no such hit";
    }
    // Handles events until one of that code arrives (and is handled).
    void HandleUntil(uint32_t exceptionCode, uint32_t threadId) {
        for (int i = 0; i < 1000; ++i) {
            ASSERT_TRUE(HandleNext()) << "no such event";
            if (m_last.dwDebugEventCode == kExceptionDebugEvent && m_last.ExceptionCode == exceptionCode &&
                m_last.dwThreadId == threadId) {
                return;
            }
        }
        FAIL() << "no such event";
    }
    // Stop as the dialog and the loop do it: the user-interface half, the
    // final passes over queued events, the detach.
    void Stop() {
        m_tracer->CleanupTracer();
        m_tracer->m_bAttached = false;
        DebugEvent event;
        while (Platform().WaitForDebugEvent(event, 0)) {
            Platform().ContinueDebugEvent(event.dwProcessId, event.dwThreadId, m_tracer->HandleDebugEvent(event));
        }
        m_tracer->CleanupTracer();
    }

    void Script(uint32_t thread, uint64_t function, int count) {
        m_machine->ScriptCalls(thread, std::vector<sim::SimCall>(static_cast<size_t>(count),
                                                                 sim::SimCall{function, {}, 0, 0, {}}));
    }
    int Hits(uint64_t address) {
        const int32_t index = m_tracer->m_arrBreakPoints.FindBreakPoint(address);
        return index < 0 ? -1 : m_tracer->m_arrBreakPoints.GetAt(index).nHits;
    }
    uint8_t Byte(uint64_t address) { return m_machine->PeekMemory(m_pid, address, 1)[0]; }
    // Every scripted call ran once, every instruction from its start.
    void ExpectCompleted(uint32_t thread, uint64_t calls) {
        const sim::SimThreadStats stats = m_machine->ThreadStats(thread);
        EXPECT_EQ(stats.callsReturned, calls);
        EXPECT_EQ(stats.misplacedResumes, 0u);
    }

    uint32_t m_pid = 0;
    uint32_t m_t1 = 0;
    uint32_t m_t2 = 0;
    std::unique_ptr<CDeamonThread> m_tracer;
    DebugEvent m_last;
};

TEST_F(HitPathTest, EveryHitIsCountedAndEveryInstructionRunsFromItsStart) {
    Script(m_t1, kFirst, 40);
    Script(m_t2, kFirst, 25);
    Script(m_t2, kSecond, 9);
    RunToQuiet();
    EXPECT_EQ(Hits(kFirst), 65);
    EXPECT_EQ(Hits(kSecond), 9);
    ExpectCompleted(m_t1, 40);
    ExpectCompleted(m_t2, 34);
    EXPECT_EQ(Byte(kFirst), 0xCC);
    EXPECT_EQ(m_machine->SuspendCount(m_t1), 0u);
    EXPECT_EQ(m_machine->SuspendCount(m_t2), 0u);
}

TEST_F(HitPathTest, StopBetweenAHitAndItsSingleStepClearsTheTrapFlag) {
    Script(m_t1, kFirst, 3);
    HandleUntil(kExceptionBreakpoint, m_t1);
    ASSERT_NE(m_machine->Context(m_t1).EFlags & kTrapFlag, 0u);
    Stop();
    EXPECT_FALSE(m_machine->IsBeingDebugged(m_pid));
    EXPECT_EQ(m_machine->Context(m_t1).EFlags & kTrapFlag, 0u);
    m_machine->RunUntilIdle(m_pid);
    ASSERT_TRUE(m_machine->IsProcessAlive(m_pid));
    ExpectCompleted(m_t1, 3);
    EXPECT_EQ(m_machine->PeekMemory(m_pid, kFirst, kFunctionBytes.size()), kFunctionBytes);
}

TEST_F(HitPathTest, AThreadEndingWhileItsStepIsPendingReleasesTheOthers) {
    // The other thread runs untraced code: only the exit can release it.
    Script(m_t1, kFirst, 1);
    Script(m_t2, kThird, 4);
    HandleUntil(kExceptionBreakpoint, m_t1);
    ASSERT_EQ(m_machine->SuspendCount(m_t2), 1u);
    m_machine->ExitThread(m_t1);
    RunToQuiet();
    EXPECT_EQ(m_machine->SuspendCount(m_t2), 0u);
    ExpectCompleted(m_t2, 4);
    EXPECT_EQ(Byte(kFirst), 0xCC);
}

TEST_F(HitPathTest, OverlappingStepsHoldTheFirstFinisherUntilTheLastEnds) {
    // One call each: both threads reach their trace point in one round.
    Script(m_t1, kFirst, 1);
    Script(m_t2, kSecond, 1);
    HandleUntil(kExceptionBreakpoint, m_t1);
    HandleUntil(kExceptionBreakpoint, m_t2);
    ASSERT_EQ(m_machine->SuspendCount(m_t1), 1u);
    HandleUntil(kExceptionSingleStep, m_t2);
    // The first trace point's byte is still out: the thread that finished
    // its step waits with the rest, the other one goes on.
    EXPECT_EQ(Byte(kSecond), 0xCC);
    EXPECT_EQ(Byte(kFirst), kFunctionBytes[0]);
    EXPECT_EQ(m_machine->SuspendCount(m_t2), 1u);
    EXPECT_EQ(m_machine->SuspendCount(m_t1), 0u);
    HandleUntil(kExceptionSingleStep, m_t1);
    EXPECT_EQ(Byte(kFirst), 0xCC);
    EXPECT_EQ(m_machine->SuspendCount(m_t2), 0u);
    RunToQuiet();
    ExpectCompleted(m_t1, 1);
    ExpectCompleted(m_t2, 1);
}

// A hit whose single step can't be set up on the table's handle, or whose
// thread the table doesn't know. Either the thread is opened and stepped as
// usual, or the byte goes back, the thread is rewound onto it and nothing
// stays held.
TEST_F(HitPathTest, AHitTheTableCannotStepOverNeverResumesTheThreadInsideTheInstruction) {
    struct Case {
        const char* what;
        std::function<void()> prepare;
        bool stepped;
    };
    const auto forget = [this] { m_tracer->m_arrThreads.RemoveThread(m_t1); };
    const Case cases[] = {
        {"context not readable",
         [this] { m_machine->FailNextCalls(sim::FailingCall::GetThreadContext, m_t1, 1); },
         false},
        {"context not writable",
         [this] { m_machine->FailNextCalls(sim::FailingCall::SetThreadContext, m_t1, 1); },
         false},
        {"thread not in the table", forget, true},
        {"thread in the table without a handle",
         [&, this] {
             forget();
             m_machine->FailNextCalls(sim::FailingCall::OpenThread, m_t1, 1);
             m_tracer->m_arrThreads.AddThread(m_t1);
         },
         true},
        {"thread that can't be opened for the table",
         [&, this] {
             forget();
             m_machine->FailNextCalls(sim::FailingCall::OpenThread, m_t1, 1);
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_tracer->m_arrBreakPoints.ElementAt(0).nHits = 0;
        m_tracer->m_arrBreakPoints.ElementAt(1).nHits = 0;
        m_tracer->SetTracePoints();
        const sim::SimThreadStats before1 = m_machine->ThreadStats(m_t1);
        const sim::SimThreadStats before2 = m_machine->ThreadStats(m_t2);
        c.prepare();
        Script(m_t1, kFirst, 1);
        Script(m_t2, kSecond, 3);
        HandleUntil(kExceptionBreakpoint, m_t1);
        if (!c.stepped) {
            EXPECT_EQ(m_machine->SuspendCount(m_t2), 0u);
            EXPECT_EQ(m_machine->Context(m_t1).Rip, kFirst);
            EXPECT_EQ(Byte(kFirst), kFunctionBytes[0]);
        }
        RunToQuiet();
        ASSERT_TRUE(m_machine->IsProcessAlive(m_pid));
        EXPECT_EQ(m_machine->ThreadStats(m_t1).callsReturned - before1.callsReturned, 1u);
        EXPECT_EQ(m_machine->ThreadStats(m_t2).callsReturned - before2.callsReturned, 3u);
        EXPECT_EQ(m_machine->ThreadStats(m_t1).misplacedResumes, 0u);
        EXPECT_EQ(m_machine->SuspendCount(m_t1), 0u);
        EXPECT_EQ(m_machine->SuspendCount(m_t2), 0u);
        EXPECT_EQ(Hits(kFirst), 1);
        EXPECT_EQ(Hits(kSecond), 3);
        EXPECT_EQ(Byte(kFirst), c.stepped ? 0xCC : kFunctionBytes[0]);
        EXPECT_GE(m_tracer->m_arrThreads.FindThread(m_t1), 0);
    }
}

// Table changes made while one thread steps over the second trace point
// and the other is held for it: the hold stays until the step ends, the
// stepping record is armed again wherever the change moved it.
TEST_F(HitPathTest, TableChangesDuringAStepKeepTheHoldsAndRearmTheSteppingRecord) {
    char reload[64];
    std::snprintf(reload, sizeof reload, "%llx\r\n%llx\r\n", static_cast<unsigned long long>(kFirst),
                  static_cast<unsigned long long>(kSecond));
    struct Case {
        const char* what;
        std::function<void(CDeamonThread&)> change;
        bool firstArmed;
        // A reload starts the counts again: the two calls after the step.
        int secondHits = 3;
    };
    const Case cases[] = {
        {"disable a lower record", [](CDeamonThread& tracer) { tracer.DisableBreakPoint(tracer.m_nProcessId, 0); },
         false},
        {"enable a lower record",
         [](CDeamonThread& tracer) {
             tracer.DisableBreakPoint(tracer.m_nProcessId, 0);
             tracer.EnableBreakPoint(tracer.m_nProcessId, 0);
         },
         true},
        {"delete a lower record",
         [](CDeamonThread& tracer) {
             ProcessHandle process(tracer.m_nProcessId);
             tracer.DeleteBreakPoint(process.get(), 0, true);
         },
         false},
        {"add a record",
         [](CDeamonThread& tracer) {
             ProcessHandle process(tracer.m_nProcessId);
             tracer.ArmBreakPoint(process.get(), tracer.m_arrBreakPoints.AddBreakPoint(0, kThird, "Third", {}, 0,
                                                                                        true, true));
         },
         true},
        {"disable and enable the stepping record",
         [](CDeamonThread& tracer) {
             tracer.DisableBreakPoint(tracer.m_nProcessId, 1);
             tracer.EnableBreakPoint(tracer.m_nProcessId, 1);
         },
         true},
        {"reload the file",
         [](CDeamonThread& tracer) {
             // Address lines must fall inside a known module.
             tracer.m_arrModules.AddModule(kCode, 0x1000, "server.exe", "C:\\server.exe");
             tracer.ReloadTracePoints();
         },
         true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Restart();
        WriteFile("C:\\TracePoints.txt", reload);
        Script(m_t1, kSecond, 3);
        Script(m_t2, kFirst, 2);
        HandleUntil(kExceptionBreakpoint, m_t1);
        ASSERT_EQ(m_machine->SuspendCount(m_t2), 1u);
        c.change(*m_tracer);
        EXPECT_EQ(m_machine->SuspendCount(m_t2), 1u);
        EXPECT_EQ(m_machine->SuspendCount(m_t1), 0u);
        EXPECT_EQ(Byte(kSecond), kFunctionBytes[0]);
        HandleUntil(kExceptionSingleStep, m_t1);
        EXPECT_EQ(Byte(kSecond), 0xCC);
        RunToQuiet();
        ASSERT_TRUE(m_machine->IsProcessAlive(m_pid));
        ExpectCompleted(m_t1, 3);
        ExpectCompleted(m_t2, 2);
        EXPECT_EQ(Byte(kFirst), c.firstArmed ? 0xCC : kFunctionBytes[0]);
        EXPECT_EQ(m_machine->SuspendCount(m_t1), 0u);
        EXPECT_EQ(m_machine->SuspendCount(m_t2), 0u);
        EXPECT_EQ(Hits(kSecond), c.secondHits);
    }
}

TEST_F(HitPathTest, ADisabledRecordWhoseByteCouldNotGoBackIsSteppedOverUncounted) {
    m_machine->FailNextCalls(sim::FailingCall::WriteProcessMemory, m_pid, 2);
    m_tracer->DisableBreakPoint(m_pid, 0);
    EXPECT_TRUE(m_tracer->m_arrBreakPoints.GetAt(0).bArmed);
    EXPECT_FALSE(m_tracer->m_arrBreakPoints.GetAt(0).bEnabled);
    ASSERT_EQ(Byte(kFirst), 0xCC);
    Script(m_t1, kFirst, 2);
    RunToQuiet();
    ASSERT_TRUE(m_machine->IsProcessAlive(m_pid));
    ExpectCompleted(m_t1, 2);
    EXPECT_EQ(Hits(kFirst), 0);
    EXPECT_EQ(Byte(kFirst), kFunctionBytes[0]);
    EXPECT_FALSE(m_tracer->m_arrBreakPoints.GetAt(0).bArmed);
}

TEST_F(HitPathTest, ArmingSavesOnlyTheByteItReadFirst) {
    struct Case {
        const char* what;
        sim::FailingCall failing;
        std::vector<uint8_t> saved;
    };
    const Case cases[] = {
        {"first read fails", sim::FailingCall::ReadProcessMemory, {}},
        {"write fails", sim::FailingCall::WriteProcessMemory, {kFunctionBytes[0]}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int32_t index = m_tracer->m_arrBreakPoints.AddBreakPoint(0, kThird, "Third", {}, 0, true, true);
        m_machine->FailNextCalls(c.failing, m_pid, 1);
        ProcessHandle process(m_pid);
        m_tracer->ArmBreakPoint(process.get(), index);
        const BREAKPOINTINFO& record = m_tracer->m_arrBreakPoints.GetAt(index);
        EXPECT_FALSE(record.bArmed);
        EXPECT_EQ(record.pOrigBytes, c.saved);
        EXPECT_EQ(record.nOrigBytes, c.saved.size());
        // Disarming writes back only what was read: the code stays intact.
        m_tracer->DeleteBreakPoint(process.get(), index, true);
        EXPECT_EQ(m_machine->PeekMemory(m_pid, kThird, kFunctionBytes.size()), kFunctionBytes);
    }
}

// What a counted hit costs across the seam, pinned per kind, so that a
// change that adds calls to the hit path shows here. One thread hits, the
// others (the process's first thread and t2) are held for the step: the
// hit reads and writes the registers once, holds the two others and puts
// the byte back; the step's end plants the 0xCC again and lets all three go.
TEST_F(HitPathTest, AStatOnlyHitCostsAFixedSetOfPlatformCalls) {
    constexpr uint64_t kHits = 10;
    CountingPlatform counting(*m_machine);
    SetPlatform(&counting);
    Script(m_t1, kFirst, static_cast<int>(kHits));
    RunToQuiet();
    SetPlatform(m_machine);
    ASSERT_EQ(Hits(kFirst), static_cast<int>(kHits));
    ExpectCompleted(m_t1, kHits);
    struct PerHit {
        PlatformCall kind;
        uint64_t calls;
    };
    const PerHit expected[] = {
        {PlatformCall::WaitForDebugEvent, 2}, {PlatformCall::ContinueDebugEvent, 2},
        {PlatformCall::GetThreadContext, 1},  {PlatformCall::SetThreadContext, 1},
        {PlatformCall::SuspendThread, 2},     {PlatformCall::ResumeThread, 3},
        {PlatformCall::WriteProcessMemory, 2},
    };
    PlatformCallCounts rest = counting.Counts();
    // The last wait found nothing.
    --rest[static_cast<size_t>(PlatformCall::WaitForDebugEvent)];
    for (const PerHit& kind : expected) {
        EXPECT_EQ(counting.Count(kind.kind) - (kind.kind == PlatformCall::WaitForDebugEvent ? 1 : 0),
                  kind.calls * kHits)
            << kPlatformCallNames[static_cast<size_t>(kind.kind)];
        rest[static_cast<size_t>(kind.kind)] = 0;
    }
    for (size_t i = 0; i < rest.size(); ++i) EXPECT_EQ(rest[i], 0u) << kPlatformCallNames[i];
}

// A thread that ends inside traced calls never returns through their
// return addresses: the breakpoint only it needed goes at once, the one
// another thread's pending call still returns through stays until that
// return has been reported, and Stop leaves nothing behind.
TEST_F(HitPathTest, AThreadEndingWithCallsPendingTakesOutOnlyTheReturnBreakPointsItAloneNeeded) {
    g_bStatOnly = false;
    g_bDetectRet = true;
    const uint64_t home = sim::SimMachine::ThreadHomeAddress();
    // t1 stands in Second, called from inside First; t2 is still in First
    // (its untraced calls keep it there) when t1 ends. Both top-level calls
    // return to the thread home address.
    m_machine->ScriptCalls(m_t1, {sim::SimCall{kFirst, {}, 0, 0, {sim::SimCall{kSecond, {}, 0, 0, {}}}}});
    m_machine->ScriptCalls(m_t2, {sim::SimCall{kFirst, {}, 7, 0,
                                               std::vector<sim::SimCall>(40, sim::SimCall{kThird, {}, 0, 0, {}})}});
    HandleUntilHit(kFirst, m_t1);
    HandleUntilHit(kSecond, m_t1);
    HandleUntil(kExceptionSingleStep, m_t1);
    const THREADINFO& t1 = m_tracer->m_arrThreads.GetAt(m_tracer->m_arrThreads.FindThread(m_t1));
    ASSERT_EQ(t1.nCallDepth, 1);
    const uint64_t innerReturn = t1.nCallReturnAddresses[1];
    ASSERT_NE(innerReturn, home);
    const auto t2Depth = [this] {
        return m_tracer->m_arrThreads.GetAt(m_tracer->m_arrThreads.FindThread(m_t2)).nCallDepth;
    };
    ASSERT_EQ(t2Depth(), 0) << "t2 must be inside First";
    const uint8_t innerByte = m_machine->PeekMemory(m_pid, innerReturn, 1)[0];
    ASSERT_EQ(Byte(home), 0xCC);

    m_machine->ExitThread(m_t1);
    HandleNext();
    ASSERT_EQ(m_last.dwDebugEventCode, kExitThreadDebugEvent);
    EXPECT_LT(m_tracer->m_arrBreakPoints.FindBreakPoint(innerReturn), 0);
    EXPECT_NE(Byte(innerReturn), 0xCC);
    EXPECT_EQ(innerByte, 0xCC);
    EXPECT_GE(m_tracer->m_arrBreakPoints.FindBreakPoint(home), 0);
    EXPECT_EQ(Byte(home), 0xCC);
    RunToQuiet();
    ASSERT_TRUE(m_machine->IsProcessAlive(m_pid));
    ExpectCompleted(m_t2, 41);
    EXPECT_EQ(t2Depth(), -1) << "t2's return was matched";
    EXPECT_EQ(m_machine->SuspendCount(m_t2), 0u);

    Stop();
    EXPECT_EQ(m_machine->PeekMemory(m_pid, kFirst, kFunctionBytes.size()), kFunctionBytes);
    EXPECT_EQ(m_machine->PeekMemory(m_pid, kSecond, kFunctionBytes.size()), kFunctionBytes);
    EXPECT_NE(Byte(home), 0xCC);
    EXPECT_EQ(m_machine->SuspendCount(m_t2), 0u);
}

// A platform whose first stack walk waits until the test lets it go.
class StallingStackWalker : public CountingPlatform {
public:
    using CountingPlatform::CountingPlatform;
    bool StackWalk64(uint32_t machineType, Handle process, Handle thread, StackFrame64& frame,
                     ThreadContext& context) override {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_entered = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_released; });
        }
        return CountingPlatform::StackWalk64(machineType, process, thread, frame, context);
    }
    bool WaitUntilEntered() {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(20), [this] { return m_entered; });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_entered = false;
    bool m_released = false;
};

// The user-interface thread needs the table lock for every command; a
// report's slow part (here its stack walk) must not keep it waiting.
TEST_F(HitPathTest, TheTablesAreFreeWhileAHitsReportIsWritten) {
    g_bStatOnly = false;
    m_tracer->m_arrBreakPoints.ElementAt(0).nStackDepth = 2;
    ASSERT_TRUE(m_tracer->m_bSymInitialized);
    StallingStackWalker walker(*m_machine);
    SetPlatform(&walker);
    Script(m_t1, kFirst, 1);
    // The debugger's calls belong to the thread that attached: this one
    // runs the loop, another plays the user-interface thread.
    bool entered = false;
    bool lockFree = false;
    std::thread userInterface([&] {
        entered = walker.WaitUntilEntered();
        lockFree = m_tracer->TableMutex().try_lock();
        if (lockFree) m_tracer->TableMutex().unlock();
        walker.Release();
    });
    HandleUntil(kExceptionBreakpoint, m_t1);
    userInterface.join();
    SetPlatform(m_machine);
    ASSERT_TRUE(entered);
    EXPECT_TRUE(lockFree);
    RunToQuiet();
    ExpectCompleted(m_t1, 1);
    EXPECT_EQ(Byte(kFirst), 0xCC);
    EXPECT_EQ(m_machine->SuspendCount(m_t2), 0u);
}

}  // namespace
}  // namespace qv::test
