#include "tests/unit/sim/SimFixture.h"

namespace qv::sim::testing {
namespace {

using Debugger = SimFixture;

TEST_F(Debugger, AttachBurstComesInWindowsOrder) {
    const uint32_t pid = machine().CreateProcess(WriteImage("C:\\app\\server.exe"));
    const uint32_t mainThread = machine().ThreadIds(pid).front();
    const uint32_t worker = machine().CreateThread(pid);
    const uint64_t dllA = machine().LoadModule(pid, WriteImage("C:\\app\\a.dll", 0x180000000));
    const uint64_t dllB = machine().LoadModule(pid, WriteImage("C:\\app\\b.dll", 0x190000000));
    const size_t handlesBefore = machine().OpenHandleCount();

    ASSERT_TRUE(machine().DebugActiveProcess(pid));
    struct Expected {
        uint32_t code;
        uint32_t thread;  // 0: the break-in thread
        uint64_t base;
    };
    const std::vector<Expected> expected = {
        {kCreateProcessDebugEvent, mainThread, kImageBase},
        {kCreateThreadDebugEvent, worker, 0},
        {kLoadDllDebugEvent, mainThread, dllA},
        {kLoadDllDebugEvent, mainThread, dllB},
        {kCreateThreadDebugEvent, 0, 0},
        {kExceptionDebugEvent, 0, 0},
        {kExitThreadDebugEvent, 0, 0},
    };
    uint32_t breakInThread = 0;
    for (const Expected& e : expected) {
        const auto event = Next();
        ASSERT_TRUE(event.has_value());
        EXPECT_EQ(event->dwDebugEventCode, e.code);
        EXPECT_EQ(event->dwProcessId, pid);
        if (e.thread != 0) {
            EXPECT_EQ(event->dwThreadId, e.thread);
        } else {
            if (breakInThread == 0) breakInThread = event->dwThreadId;
            EXPECT_EQ(event->dwThreadId, breakInThread);
            EXPECT_NE(breakInThread, mainThread);
            EXPECT_NE(breakInThread, worker);
        }
        if (e.base != 0) {
            EXPECT_EQ(event->lpBaseOfImage, e.base);
            EXPECT_TRUE(machine().GetFileSize(event->hFile).has_value());
            EXPECT_TRUE(machine().CloseHandle(event->hFile));
        }
        if (e.code == kExceptionDebugEvent) {
            EXPECT_EQ(event->ExceptionCode, kExceptionBreakpoint);
            EXPECT_EQ(event->ExceptionAddress, SimMachine::BreakInAddress());
            EXPECT_EQ(event->dwFirstChance, 1u);
        }
        // The break-in is passed on; the process must survive that.
        ASSERT_TRUE(machine().ContinueDebugEvent(pid, event->dwThreadId, kDbgExceptionNotHandled));
    }
    EXPECT_FALSE(Next().has_value());
    EXPECT_TRUE(machine().IsProcessAlive(pid));
    EXPECT_EQ(machine().ThreadIds(pid), (std::vector<uint32_t>{mainThread, worker}));
    EXPECT_EQ(machine().OpenHandleCount(), handlesBefore);
}

TEST_F(Debugger, AttachIsRefusedWhereWindowsRefusesIt) {
    const uint32_t other = machine().CreateBareProcess("other.exe");
    machine().SetDebuggedByOther(other, true);
    const uint32_t gone = machine().CreateBareProcess("gone.exe");
    machine().ExitProcess(gone, 0);
    const uint32_t twice = machine().CreateBareProcess("twice.exe");
    ASSERT_TRUE(machine().DebugActiveProcess(twice));

    const std::vector<std::pair<const char*, uint32_t>> refused = {
        {"no process", 0},   {"unknown", 0x7FF0},     {"own process", machine().GetCurrentProcessId()},
        {"other debugger", other}, {"exited", gone}, {"already attached", twice},
    };
    for (const auto& [what, pid] : refused) EXPECT_FALSE(machine().DebugActiveProcess(pid)) << what;
}

TEST_F(Debugger, OnlyTheAttachingThreadDrivesTheDebugger) {
    const uint32_t pid = machine().CreateBareProcess("target.exe");
    ASSERT_TRUE(machine().DebugActiveProcess(pid));
    std::thread([&] {
        DebugEvent event;
        EXPECT_FALSE(machine().WaitForDebugEvent(event, 10));
        EXPECT_FALSE(machine().DebugActiveProcessStop(pid));
    }).join();

    const auto first = Next();
    ASSERT_TRUE(first.has_value());
    // A second wait before the continue times out; so does a continue of
    // the wrong thread, or from another host thread.
    EXPECT_FALSE(Next().has_value());
    EXPECT_FALSE(machine().ContinueDebugEvent(pid, first->dwThreadId + 4, kDbgContinue));
    std::thread([&] { EXPECT_FALSE(machine().ContinueDebugEvent(pid, first->dwThreadId, kDbgContinue)); }).join();
    EXPECT_FALSE(machine().ContinueDebugEvent(pid, first->dwThreadId, 0x1234));
    EXPECT_TRUE(machine().ContinueDebugEvent(pid, first->dwThreadId, kDbgContinue));
    EXPECT_FALSE(machine().ContinueDebugEvent(pid, first->dwThreadId, kDbgContinue));
    machine().CloseHandle(first->hFile);
}

TEST_F(Debugger, DetachDropsPendingEventsAndAllowsANewAttach) {
    const uint32_t pid = machine().CreateProcess(WriteImage("C:\\app\\server.exe"));
    const size_t handlesBefore = machine().OpenHandleCount();
    ASSERT_TRUE(machine().DebugActiveProcess(pid));
    const auto first = Next();
    ASSERT_TRUE(first.has_value());
    machine().CloseHandle(first->hFile);
    ASSERT_TRUE(machine().DebugActiveProcessStop(pid));
    EXPECT_FALSE(machine().IsBeingDebugged(pid));
    EXPECT_FALSE(Next().has_value());
    EXPECT_TRUE(machine().IsProcessAlive(pid));
    // The break-in thread of the dropped burst is gone with it.
    EXPECT_EQ(machine().ThreadIds(pid).size(), 1u);
    EXPECT_EQ(machine().OpenHandleCount(), handlesBefore);

    ASSERT_TRUE(machine().DebugActiveProcess(pid));
    EXPECT_EQ(Drain().front(), kCreateProcessDebugEvent);
    EXPECT_TRUE(machine().DebugActiveProcessStop(pid));
}

TEST_F(Debugger, LifecycleEventsWhileAttached) {
    const uint32_t pid = machine().CreateProcess(WriteImage("C:\\app\\server.exe"));
    WriteImage("C:\\app\\late.dll", 0x180000000);
    ASSERT_TRUE(machine().DebugActiveProcess(pid));
    Drain();

    const uint32_t thread = machine().CreateThread(pid);
    const uint64_t dll = machine().LoadModule(pid, "C:\\app\\late.dll");
    machine().UnloadModule(pid, dll);
    machine().ExitThread(thread, 5);
    machine().ExitProcess(pid, 9);

    std::vector<std::pair<uint32_t, uint32_t>> seen;  // code, thread
    while (auto event = Next()) {
        seen.emplace_back(event->dwDebugEventCode, event->dwThreadId);
        if (event->dwDebugEventCode == kExitProcessDebugEvent) {
            EXPECT_EQ(event->dwExitCode, 9u);
        }
        if (event->dwDebugEventCode == kExitThreadDebugEvent) {
            EXPECT_EQ(event->dwExitCode, 5u);
        }
        if (event->hFile != kNullHandle) machine().CloseHandle(event->hFile);
        machine().ContinueDebugEvent(event->dwProcessId, event->dwThreadId, kDbgContinue);
    }
    EXPECT_TRUE(machine().ThreadIds(pid).empty());
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0], std::make_pair(kCreateThreadDebugEvent, thread));
    EXPECT_EQ(seen[1].first, kLoadDllDebugEvent);
    EXPECT_EQ(seen[2].first, kUnloadDllDebugEvent);
    EXPECT_EQ(seen[3], std::make_pair(kExitThreadDebugEvent, thread));
    EXPECT_EQ(seen[4].first, kExitProcessDebugEvent);
    // The debugger let go of the dead process.
    EXPECT_FALSE(machine().IsBeingDebugged(pid));
}

TEST_F(Debugger, IdleWaitsMoveVirtualTimeOnly) {
    const uint32_t pid = machine().CreateBareProcess("target.exe");
    ASSERT_TRUE(machine().DebugActiveProcess(pid));
    Drain();
    const uint64_t before = machine().VirtualMilliseconds();
    const SystemTime start = machine().GetLocalTime();
    const auto realStart = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(Next(1000).has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::milliseconds(500));
    EXPECT_EQ(machine().VirtualMilliseconds(), before + 5000);
    const SystemTime later = machine().GetLocalTime();
    EXPECT_EQ((later.wSecond + 60 - start.wSecond) % 60, 5);
    EXPECT_EQ(later.wMilliseconds, start.wMilliseconds);
}

TEST_F(Debugger, ClockStartsAtAFixedDateAndCanBeSet) {
    const SystemTime start = machine().GetLocalTime();
    EXPECT_EQ(start.wYear, 2026);
    EXPECT_EQ(start.wMonth, 1);
    EXPECT_EQ(start.wDay, 2);
    EXPECT_EQ(start.wDayOfWeek, 5);  // a Friday
    EXPECT_EQ(start.wMilliseconds, 678);
    SystemTime newYear;
    newYear.wYear = 2024;
    newYear.wMonth = 12;
    newYear.wDay = 31;
    newYear.wHour = 23;
    newYear.wMinute = 59;
    newYear.wSecond = 59;
    newYear.wMilliseconds = 999;
    machine().SetLocalTime(newYear);
    machine().AdvanceClock(1);
    const SystemTime next = machine().GetLocalTime();
    EXPECT_EQ(next.wYear, 2025);
    EXPECT_EQ(next.wMonth, 1);
    EXPECT_EQ(next.wDay, 1);
    EXPECT_EQ(next.wHour, 0);
    EXPECT_EQ(next.wMilliseconds, 0);
    EXPECT_EQ(next.wDayOfWeek, 3);  // a Wednesday
}

TEST_F(Debugger, RecordedStateOfPrivilegeAndSymbolHandler) {
    const uint32_t pid = machine().CreateBareProcess("target.exe");
    EXPECT_TRUE(machine().AdjustDebugPrivilege(machine().GetCurrentProcess(), true));
    EXPECT_TRUE(machine().DebugPrivilegeEnabled());
    EXPECT_TRUE(machine().DebugSetProcessKillOnExit(false));
    EXPECT_FALSE(machine().KillOnExit());
    const Handle process = machine().OpenProcess(kProcessAllAccess, pid);
    EXPECT_FALSE(machine().SymCleanup(process));
    EXPECT_TRUE(machine().SymInitialize(process, true));
    EXPECT_TRUE(machine().SymbolHandlerActive(pid));
    EXPECT_TRUE(machine().SymCleanup(process));
    EXPECT_FALSE(machine().SymbolHandlerActive(pid));
    EXPECT_FALSE(machine().SymInitialize(kNullHandle, true));
    machine().CloseHandle(process);
}

}  // namespace
}  // namespace qv::sim::testing
