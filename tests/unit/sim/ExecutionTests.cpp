#include "tests/unit/sim/SimFixture.h"

namespace qv::sim::testing {
namespace {

constexpr uint8_t kInt3 = 0xCC;
constexpr uint8_t kOriginal = 0x55;

// A process with one attached debugger (this host thread), the attach burst
// already drained, and a breakpoint planted at kFunction.
class Execution : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        m_pid = machine().CreateProcess(WriteImage("C:\\app\\server.exe"));
        m_main = machine().ThreadIds(m_pid).front();
        m_process = machine().OpenProcess(kProcessAllAccess, m_pid);
    }
    void TearDown() override {
        machine().CloseHandle(m_process);
        SimFixture::TearDown();
    }

    void Attach() {
        ASSERT_TRUE(machine().DebugActiveProcess(m_pid));
        Drain();
    }
    void Plant(uint64_t address) { ASSERT_TRUE(machine().WriteProcessMemory(m_process, address, &kInt3, 1)); }
    void Restore(uint64_t address) {
        ASSERT_TRUE(machine().WriteProcessMemory(m_process, address, &kOriginal, 1));
    }
    uint64_t ReadQword(uint64_t address) {
        uint64_t value = 0;
        EXPECT_TRUE(machine().ReadProcessMemory(m_process, address, &value, 8));
        return value;
    }
    // The step-over of a breakpoint: byte back, Rip back, trap flag on.
    void StepOver(uint32_t threadId, uint64_t address, bool trap = true) {
        Restore(address);
        const Handle thread = machine().OpenThread(kThreadAllAccess, threadId);
        ThreadContext context;
        context.ContextFlags = kContextAll;
        ASSERT_TRUE(machine().GetThreadContext(thread, context));
        context.Rip = address;
        if (trap) context.EFlags |= kTrapFlag;
        ASSERT_TRUE(machine().SetThreadContext(thread, context));
        machine().CloseHandle(thread);
    }
    DebugEvent Expect(uint32_t code, uint32_t threadId) {
        const auto event = Next();
        EXPECT_TRUE(event.has_value());
        if (!event) return {};
        EXPECT_EQ(event->dwDebugEventCode, code);
        EXPECT_EQ(event->dwThreadId, threadId);
        return *event;
    }

    uint32_t m_pid = 0;
    uint32_t m_main = 0;
    Handle m_process = kNullHandle;
};

TEST_F(Execution, BreakpointThenSingleStepThenReturn) {
    Attach();
    Plant(kFunction);
    const uint64_t rspBefore = machine().Context(m_main).Rsp;
    machine().ScriptCalls(m_main, {SimCall{kFunction, {0x11, 0x22}, 0x99, 0, {}}});

    const DebugEvent hit = Expect(kExceptionDebugEvent, m_main);
    EXPECT_EQ(hit.ExceptionCode, kExceptionBreakpoint);
    EXPECT_EQ(hit.ExceptionAddress, kFunction);
    EXPECT_EQ(hit.dwFirstChance, 1u);
    const ThreadContext atHit = machine().Context(m_main);
    EXPECT_EQ(atHit.Rip, kFunction + 1);
    EXPECT_EQ(atHit.Rsp, rspBefore - 24);
    EXPECT_EQ(ReadQword(atHit.Rsp), SimMachine::ThreadHomeAddress());
    EXPECT_EQ(ReadQword(atHit.Rsp + 8), 0x11u);
    EXPECT_EQ(ReadQword(atHit.Rsp + 16), 0x22u);
    EXPECT_EQ(machine().ThreadStats(m_main).callsEntered, 0u);

    StepOver(m_main, kFunction);
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgContinue));
    const DebugEvent step = Expect(kExceptionDebugEvent, m_main);
    EXPECT_EQ(step.ExceptionCode, kExceptionSingleStep);
    EXPECT_EQ(step.ExceptionAddress, kFunction + 1);
    EXPECT_EQ(machine().Context(m_main).EFlags & kTrapFlag, 0u);
    EXPECT_EQ(machine().ThreadStats(m_main).callsEntered, 1u);

    Plant(kFunction);
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgContinue));
    EXPECT_FALSE(Next().has_value());
    EXPECT_TRUE(machine().IsIdle(m_pid));
    EXPECT_EQ(machine().ThreadStats(m_main).callsReturned, 1u);
    EXPECT_EQ(machine().Context(m_main).Rax, 0x99u);
    EXPECT_EQ(machine().Context(m_main).Rsp, rspBefore);
}

TEST_F(Execution, RipLeftAfterTheInt3SkipsTheInstruction) {
    Attach();
    Plant(kFunction);
    machine().ScriptCalls(m_main, {SimCall{kFunction, {}, 7, 0, {}}});
    Expect(kExceptionDebugEvent, m_main);
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgContinue));
    EXPECT_FALSE(Next().has_value());
    EXPECT_EQ(machine().ThreadStats(m_main).callsReturned, 1u);
    EXPECT_EQ(machine().PeekMemory(m_pid, kFunction, 1).front(), kInt3);
}

TEST_F(Execution, RealLengthsPlaceTheStepAndAResumeInsideAnInstructionFaults) {
    constexpr uint32_t kIllegalInstruction = 0xC000001D;
    Attach();
    machine().DefineInstructions(m_pid, kFunction, {4, 1});
    Plant(kFunction);
    machine().ScriptCalls(m_main, {SimCall{kFunction, {}, 0, 0, {}}, SimCall{kFunction, {}, 0, 0, {}}});
    Expect(kExceptionDebugEvent, m_main);
    StepOver(m_main, kFunction);
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgContinue));
    EXPECT_EQ(Expect(kExceptionDebugEvent, m_main).ExceptionAddress, kFunction + 4);
    Plant(kFunction);
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgContinue));

    // The byte goes back but Rip stays after it, inside the instruction.
    EXPECT_EQ(Expect(kExceptionDebugEvent, m_main).ExceptionAddress, kFunction);
    Restore(kFunction);
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgContinue));
    const DebugEvent fault = Expect(kExceptionDebugEvent, m_main);
    EXPECT_EQ(fault.ExceptionCode, kIllegalInstruction);
    EXPECT_EQ(fault.ExceptionAddress, kFunction + 1);
    EXPECT_EQ(machine().ThreadStats(m_main).misplacedResumes, 1u);
    EXPECT_EQ(machine().ThreadStats(m_main).callsEntered, 1u);
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgExceptionNotHandled));
    EXPECT_EQ(Expect(kExceptionDebugEvent, m_main).dwFirstChance, 0u);
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgExceptionNotHandled));
    EXPECT_EQ(machine().ProcessExitCode(m_pid), kIllegalInstruction);
}

TEST_F(Execution, ReturnAddressBreakpointOfANestedCall) {
    Attach();
    const uint64_t returnAddress = kFunction + 1;  // inside the caller, after its first instruction
    Plant(returnAddress);
    machine().ScriptCalls(m_main, {SimCall{kFunction, {}, 1, 0, {SimCall{kSecondFunction, {}, 0x42, 0, {}}}}});
    const DebugEvent hit = Expect(kExceptionDebugEvent, m_main);
    EXPECT_EQ(hit.ExceptionAddress, returnAddress);
    EXPECT_EQ(machine().Context(m_main).Rax, 0x42u);
    EXPECT_EQ(machine().ThreadStats(m_main).callsEntered, 2u);
    EXPECT_EQ(machine().ThreadStats(m_main).callsReturned, 1u);
    StepOver(m_main, returnAddress, false);
    const uint64_t home = SimMachine::ThreadHomeAddress();
    const uint8_t homeByte = machine().PeekMemory(m_pid, home, 1).front();
    Plant(home);
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgContinue));

    // Stepping over the last instruction of the script: the thread is not
    // idle until the single step at its end has been continued.
    EXPECT_EQ(Expect(kExceptionDebugEvent, m_main).ExceptionAddress, home);
    StepOver(m_main, home);
    machine().PokeMemory(m_pid, home, {homeByte});  // StepOver put back the function's byte
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgContinue));
    EXPECT_EQ(Expect(kExceptionDebugEvent, m_main).ExceptionCode, kExceptionSingleStep);
    EXPECT_FALSE(machine().IsIdle(m_pid));
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgContinue));
    EXPECT_TRUE(machine().IsIdle(m_pid));
    EXPECT_FALSE(Next().has_value());
    EXPECT_EQ(machine().Context(m_main).Rax, 1u);
    EXPECT_EQ(machine().ThreadStats(m_main).callsReturned, 2u);
}

TEST_F(Execution, TwoThreadsHitOneBreakpointInOneRound) {
    const uint32_t second = machine().CreateThread(m_pid);
    Attach();
    Plant(kFunction);
    machine().ScriptCalls(m_main, {SimCall{kFunction, {}, 0, 0, {}}});
    machine().ScriptCalls(second, {SimCall{kFunction, {}, 0, 0, {}}});

    Expect(kExceptionDebugEvent, m_main);
    EXPECT_FALSE(Next().has_value());  // not before the first is continued
    StepOver(m_main, kFunction);
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgContinue));

    // The late hit: reported although the byte is back in place now.
    const DebugEvent late = Expect(kExceptionDebugEvent, second);
    EXPECT_EQ(late.ExceptionCode, kExceptionBreakpoint);
    EXPECT_EQ(late.ExceptionAddress, kFunction);
    EXPECT_EQ(machine().PeekMemory(m_pid, kFunction, 1).front(), kOriginal);
    StepOver(second, kFunction, false);
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, second, kDbgContinue));

    const DebugEvent step = Expect(kExceptionDebugEvent, m_main);
    EXPECT_EQ(step.ExceptionCode, kExceptionSingleStep);
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgContinue));
    EXPECT_FALSE(Next().has_value());
    for (uint32_t thread : {m_main, second}) {
        EXPECT_EQ(machine().ThreadStats(thread).callsEntered, 1u);
        EXPECT_EQ(machine().ThreadStats(thread).callsReturned, 1u);
    }
}

TEST_F(Execution, UnhandledExceptionsGetASecondChanceThenKill) {
    struct Case {
        const char* what;
        uint64_t function;
        uint32_t code;
    };
    const std::vector<Case> cases = {
        {"breakpoint", kFunction, kExceptionBreakpoint},
        {"access violation", 0x50000000, kExceptionAccessViolation},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const uint32_t pid = machine().CreateProcess(WriteImage("C:\\app\\victim.exe"));
        const uint32_t thread = machine().ThreadIds(pid).front();
        ASSERT_TRUE(machine().DebugActiveProcess(pid));
        Drain();
        machine().PokeMemory(pid, kFunction, {kInt3});
        machine().ScriptCalls(thread, {SimCall{c.function, {}, 0, 0, {}}});

        const DebugEvent first = Expect(kExceptionDebugEvent, thread);
        EXPECT_EQ(first.ExceptionCode, c.code);
        EXPECT_EQ(first.ExceptionAddress, c.function);
        EXPECT_EQ(first.dwFirstChance, 1u);
        ASSERT_TRUE(machine().ContinueDebugEvent(pid, thread, kDbgExceptionNotHandled));
        const DebugEvent last = Expect(kExceptionDebugEvent, thread);
        EXPECT_EQ(last.ExceptionCode, c.code);
        EXPECT_EQ(last.dwFirstChance, 0u);
        ASSERT_TRUE(machine().ContinueDebugEvent(pid, thread, kDbgExceptionNotHandled));
        const DebugEvent exit = Expect(kExitProcessDebugEvent, thread);
        EXPECT_EQ(exit.dwExitCode, c.code);
        EXPECT_FALSE(machine().IsProcessAlive(pid));
        ASSERT_TRUE(machine().ContinueDebugEvent(pid, thread, kDbgContinue));
        EXPECT_FALSE(Next().has_value());
    }
}

TEST_F(Execution, HandledAccessViolationRunsTheFaultingInstructionAgain) {
    Attach();
    constexpr uint64_t kUnmapped = 0x50000000;
    machine().ScriptCalls(m_main, {SimCall{kUnmapped, {}, 3, 0, {}}});
    Expect(kExceptionDebugEvent, m_main);
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgContinue));
    const DebugEvent again = Expect(kExceptionDebugEvent, m_main);
    EXPECT_EQ(again.ExceptionCode, kExceptionAccessViolation);
    EXPECT_EQ(again.dwFirstChance, 1u);
    machine().MapMemory(m_pid, kUnmapped, 0x1000, Protection::ExecuteRead);
    ASSERT_TRUE(machine().ContinueDebugEvent(m_pid, m_main, kDbgContinue));
    EXPECT_FALSE(Next().has_value());
    EXPECT_EQ(machine().ThreadStats(m_main).callsReturned, 1u);
}

TEST_F(Execution, WithoutADebuggerABreakpointKillsAndPlainCallsRun) {
    machine().ScriptCalls(m_main, {SimCall{kFunction, {5}, 0x1234, 0, {}}, SimCall{kSecondFunction, {}, 8, 0, {}}});
    machine().RunUntilIdle(m_pid);
    EXPECT_TRUE(machine().IsIdle(m_pid));
    EXPECT_EQ(machine().ThreadStats(m_main).callsEntered, 2u);
    EXPECT_EQ(machine().Context(m_main).Rax, 8u);

    machine().PokeMemory(m_pid, kFunction, {kInt3});
    machine().ScriptCalls(m_main, {SimCall{kFunction, {}, 0, 0, {}}});
    machine().RunUntilIdle(m_pid);
    EXPECT_FALSE(machine().IsProcessAlive(m_pid));
    EXPECT_EQ(machine().ProcessExitCode(m_pid), kExceptionBreakpoint);
}

TEST_F(Execution, SuspendedThreadsDoNotRun) {
    Attach();
    const Handle thread = machine().OpenThread(kThreadAllAccess, m_main);
    EXPECT_EQ(machine().SuspendThread(thread), 0u);
    EXPECT_EQ(machine().SuspendThread(thread), 1u);
    machine().ScriptCalls(m_main, {SimCall{kFunction, {}, 0, 0, {}}});
    EXPECT_FALSE(Next().has_value());
    EXPECT_EQ(machine().ThreadStats(m_main).callsEntered, 0u);
    EXPECT_EQ(machine().SuspendCount(m_main), 2u);

    EXPECT_EQ(machine().ResumeThread(thread), 2u);
    EXPECT_FALSE(Next().has_value());
    EXPECT_EQ(machine().ThreadStats(m_main).callsEntered, 0u);
    EXPECT_EQ(machine().ResumeThread(thread), 1u);
    EXPECT_EQ(machine().ResumeThread(thread), 0u);
    EXPECT_FALSE(Next().has_value());
    EXPECT_EQ(machine().ThreadStats(m_main).callsReturned, 1u);

    EXPECT_EQ(machine().SuspendThread(kNullHandle), 0xFFFFFFFFu);
    EXPECT_EQ(machine().ResumeThread(m_process), 0xFFFFFFFFu);
    machine().CloseHandle(thread);
}

}  // namespace
}  // namespace qv::sim::testing
