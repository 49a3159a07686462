// The machine used from two host threads at once: a debugger thread that
// plants, steps over and re-arms one breakpoint, and a test thread that
// reads memory and suspends threads meanwhile. Every call must be entered
// exactly once and hit the armed breakpoint exactly once. A late hit (raised
// in the same round as another thread's hit) is rewound and hits again once
// the breakpoint is re-armed, so it isn't counted itself.
#include <atomic>
#include <thread>

#include "tests/unit/sim/SimFixture.h"

namespace qv::sim::testing {
namespace {

constexpr uint8_t kInt3 = 0xCC;
constexpr uint8_t kOriginal = 0x55;

using Threading = SimFixture;

TEST_F(Threading, DebuggerAndUserInterfaceThreadsShareTheMachine) {
    const uint32_t pid = machine().CreateProcess(WriteImage("C:\\app\\server.exe"));
    std::vector<uint32_t> threads = {machine().ThreadIds(pid).front(), machine().CreateThread(pid),
                                     machine().CreateThread(pid)};
    constexpr int kCalls = 100;
    std::atomic<bool> armed{false};
    std::atomic<bool> stop{false};
    std::atomic<int> hits{0};

    std::thread debugger([&] {
        ASSERT_TRUE(machine().DebugActiveProcess(pid));
        const Handle process = machine().OpenProcess(kProcessAllAccess, pid);
        uint32_t stepping = 0;
        while (!stop) {
            DebugEvent event;
            if (!machine().WaitForDebugEvent(event, 1000)) {
                if (!armed) {
                    machine().WriteProcessMemory(process, kFunction, &kInt3, 1);
                    armed = true;
                }
                continue;
            }
            uint32_t status = kDbgExceptionNotHandled;
            if (event.hFile != kNullHandle) machine().CloseHandle(event.hFile);
            const Handle thread = machine().OpenThread(kThreadAllAccess, event.dwThreadId);
            std::vector<Handle> others;
            for (uint32_t id : threads) {
                if (id != event.dwThreadId) others.push_back(machine().OpenThread(kThreadAllAccess, id));
            }
            ThreadContext context;
            if (event.dwDebugEventCode == kExceptionDebugEvent && event.ExceptionAddress == kFunction &&
                event.ExceptionCode == kExceptionBreakpoint) {
                machine().GetThreadContext(thread, context);
                context.Rip = kFunction;
                if (stepping == 0) {
                    ++hits;
                    // Step over with the other threads held; a late hit
                    // only rewinds, the byte is back already.
                    for (Handle other : others) machine().SuspendThread(other);
                    machine().WriteProcessMemory(process, kFunction, &kOriginal, 1);
                    context.EFlags |= kTrapFlag;
                    stepping = event.dwThreadId;
                }
                machine().SetThreadContext(thread, context);
                status = kDbgContinue;
            } else if (event.dwDebugEventCode == kExceptionDebugEvent &&
                       event.ExceptionCode == kExceptionSingleStep && event.dwThreadId == stepping) {
                machine().WriteProcessMemory(process, kFunction, &kInt3, 1);
                for (Handle other : others) machine().ResumeThread(other);
                stepping = 0;
                status = kDbgContinue;
            }
            machine().CloseHandle(thread);
            for (Handle other : others) machine().CloseHandle(other);
            machine().SleepEx(0, true);
            machine().ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        }
        machine().WriteProcessMemory(process, kFunction, &kOriginal, 1);
        machine().CloseHandle(process);
        EXPECT_TRUE(machine().DebugActiveProcessStop(pid));
    });

    while (!armed) machine().WaitForChange(10);
    for (uint32_t thread : threads) {
        std::vector<SimCall> calls(kCalls, SimCall{kFunction, {1, 2}, 3, 0, {}});
        machine().ScriptCalls(thread, std::move(calls));
    }
    const Handle process = machine().OpenProcess(kProcessAllAccess, pid);
    std::vector<Handle> handles;
    for (uint32_t thread : threads) handles.push_back(machine().OpenThread(kThreadAllAccess, thread));
    for (int round = 0; !machine().IsIdle(pid); ++round) {
        ASSERT_LT(round, 100000);
        uint8_t code = 0;
        EXPECT_TRUE(machine().ReadProcessMemory(process, kFunction, &code, 1));
        EXPECT_TRUE(code == kInt3 || code == kOriginal);
        const Handle victim = handles[round % handles.size()];
        machine().SuspendThread(victim);
        ThreadContext context;
        machine().GetThreadContext(victim, context);
        machine().ResumeThread(victim);
        machine().WaitForChange(1);
    }
    stop = true;
    debugger.join();

    EXPECT_EQ(hits, 3 * kCalls);
    for (uint32_t thread : threads) {
        EXPECT_EQ(machine().ThreadStats(thread).callsEntered, uint64_t{kCalls});
        EXPECT_EQ(machine().ThreadStats(thread).callsReturned, uint64_t{kCalls});
        EXPECT_EQ(machine().SuspendCount(thread), 0u);
    }
    EXPECT_TRUE(machine().IsProcessAlive(pid));
    for (Handle handle : handles) machine().CloseHandle(handle);
    machine().CloseHandle(process);
}

}  // namespace
}  // namespace qv::sim::testing
