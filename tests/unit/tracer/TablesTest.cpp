#include <gtest/gtest.h>

#include <vector>

#include "platform/Platform.h"
#include "tests/unit/tracer/TracerHarness.h"
#include "tracer/Statistics.h"
#include "tracer/ThreadTable.h"

namespace qv::test {
namespace {

constexpr uint64_t kCode = 0x140001000;
constexpr uint64_t kReadOnlyData = 0x140002000;
constexpr uint64_t kHole = 0x140003000;
const std::vector<uint8_t> kFunctionBytes = {0x55, 0x48, 0x89, 0xE5, 0x5D, 0xC3};

class ThreadTableTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        m_pid = m_machine->CreateBareProcess("server.exe");
        m_tid = m_machine->CreateThread(m_pid);
    }
    uint32_t m_pid = 0;
    uint32_t m_tid = 0;
};

TEST_F(ThreadTableTest, AddsEachThreadOnceAndNeverTheCallingThread) {
    CThreadHandleArray table;
    table.AddThread(m_tid);
    table.AddThread(m_tid);
    table.AddThread(Platform().GetCurrentThreadId());
    ASSERT_EQ(table.GetSize(), 1);
    EXPECT_EQ(table.FindThread(m_tid), 0);
    EXPECT_TRUE(IsUsableHandle(table.GetAt(0).hThread));
    EXPECT_EQ(table.GetAt(0).nPendingBreakPoint, -1);
    EXPECT_EQ(table.GetAt(0).nCallDepth, -1);
    table.RemoveThread(m_tid);
    EXPECT_EQ(table.GetSize(), 0);
    EXPECT_EQ(table.GetPendingBreakPoint(m_tid), -1);
}

TEST_F(ThreadTableTest, ResumeFullyUndoesEverySuspension) {
    CThreadHandleArray table;
    const uint32_t other = m_machine->CreateThread(m_pid);
    table.AddThread(m_tid);
    table.AddThread(other);
    const Handle thread = Platform().OpenThread(kThreadAllAccess, m_tid);
    for (int i = 0; i < 3; ++i) Platform().SuspendThread(thread);
    Platform().CloseHandle(thread);
    table.SuspendAllThreads(other);
    EXPECT_EQ(m_machine->SuspendCount(m_tid), 4u);
    EXPECT_EQ(m_machine->SuspendCount(other), 0u);
    table.SuspendAllThreads(0);
    table.ResumeAllThreads(m_tid);
    EXPECT_EQ(m_machine->SuspendCount(m_tid), 5u);
    EXPECT_EQ(m_machine->SuspendCount(other), 0u);
    // The counted bracket undoes only its own suspension.
    const std::vector<uint32_t> suspended = table.SuspendAllThreadsCounted(0);
    EXPECT_EQ(suspended.size(), 2u);
    table.ResumeCountedThreads(suspended);
    EXPECT_EQ(m_machine->SuspendCount(m_tid), 5u);
    EXPECT_EQ(m_machine->SuspendCount(other), 0u);
    Platform().ResumeThread(table.GetAt(table.FindThread(m_tid)).hThread);
    EXPECT_EQ(m_machine->SuspendCount(m_tid), 4u);
    table.ResumeThreadFully(table.FindThread(m_tid));
    EXPECT_EQ(m_machine->SuspendCount(m_tid), 0u);
    table.ResumeThreadFully(table.FindThread(m_tid));  // a running thread: one call
    EXPECT_EQ(m_machine->SuspendCount(m_tid), 0u);
}

TEST_F(ThreadTableTest, PendingCallStackHoldsAtMost256Calls) {
    CThreadHandleArray table;
    table.AddThread(m_tid);
    EXPECT_EQ(table.PopCall(m_tid), -1);
    EXPECT_EQ(table.TopCallStackPointer(m_tid), 0u);
    // Only the low 32 bits of the stack pointer are kept.
    const uint64_t rsp = 0x12'3456'7000;
    for (int i = 0; i < 257; ++i) table.PushCall(m_tid, i, rsp + 8u * static_cast<uint64_t>(i));
    EXPECT_EQ(table.GetAt(0).nCallDepth, 255);
    EXPECT_EQ(table.TopCallStackPointer(m_tid), static_cast<uint32_t>(rsp + 8 * 255));
    EXPECT_EQ(table.PopCall(m_tid), 255);
    EXPECT_EQ(table.PopCall(m_tid), 254);
    table.PushCall(0xDEAD, 1, rsp);  // not in the table: nothing
    EXPECT_EQ(table.PopCall(0xDEAD), -1);
    table.ClearPendingCalls();
    EXPECT_EQ(table.PopCall(m_tid), -1);
}

class BreakPointTest : public TracerFixture {
protected:
    void SetUp() override {
        TracerFixture::SetUp();
        m_pid = m_machine->CreateBareProcess("server.exe");
        m_tid = m_machine->CreateThread(m_pid);
        m_machine->MapMemory(m_pid, kCode, 0x1000, sim::Protection::ExecuteRead);
        m_machine->PokeMemory(m_pid, kCode, kFunctionBytes);
        m_machine->MapMemory(m_pid, kReadOnlyData, 0x1000, sim::Protection::ReadOnly);
        m_machine->PokeMemory(m_pid, kReadOnlyData, {0x42});
        m_idle.m_nProcessId = m_pid;
        m_idle.m_arrThreads.AddThread(m_tid);
        m_process = Platform().OpenProcess(kProcessAllAccess, m_pid);
    }
    void TearDown() override {
        Platform().CloseHandle(m_process);
        TracerFixture::TearDown();
    }
    uint8_t CodeByte(uint64_t address) { return m_machine->PeekMemory(m_pid, address, 1)[0]; }

    uint32_t m_pid = 0;
    uint32_t m_tid = 0;
    Handle m_process = kNullHandle;
    CDeamonThread m_idle;  // a tracer object whose thread never runs
};

TEST_F(BreakPointTest, AddRefusesATakenAddressAndIndexesShiftOnRemoval) {
    CBreakPointArray& table = m_idle.m_arrBreakPoints;
    EXPECT_EQ(table.AddBreakPoint(0, kCode, "a", {}, 0, true, true), 0);
    EXPECT_EQ(table.AddBreakPoint(0, kCode + 1, "b", {{0, {4, 1}}}, -1, true, true), 1);
    EXPECT_EQ(table.AddBreakPoint(0, kCode + 2, "c", {}, 3, true, true), 2);
    EXPECT_EQ(table.AddBreakPoint(0, kCode + 1, "dup", {}, 0, true, true), -1);
    m_idle.DeleteBreakPoint(m_process, 0, true);
    ASSERT_EQ(table.GetSize(), 2);
    EXPECT_EQ(table.GetAt(0).pszName, "b");
    EXPECT_EQ(table.GetAt(0).mapArgs.at(0), (ARGSPEC{4, 1}));
    EXPECT_EQ(table.FindBreakPoint(kCode + 2), 1);
    EXPECT_EQ(table.FindBreakPoint(kCode), -1);
}

TEST_F(BreakPointTest, ArmingSavesTheCodeByteOnlyWhereItCanBeRead) {
    CBreakPointArray& table = m_idle.m_arrBreakPoints;
    table.AddBreakPoint(0, kCode, "code", {}, 0, true, true);
    table.AddBreakPoint(0, kReadOnlyData, "readonly", {}, 0, true, true);
    table.AddBreakPoint(0, kHole, "hole", {}, 0, true, true);
    table.AddBreakPoint(0, kCode + 4, "disabled", {}, 0, false, true);
    const Handle user = Platform().OpenThread(kThreadAllAccess, m_tid);
    Platform().SuspendThread(user);  // someone else's suspension outlives the arming
    Platform().CloseHandle(user);
    m_idle.SetTracePoints();

    EXPECT_TRUE(table.GetAt(0).bArmed);
    EXPECT_EQ(table.GetAt(0).pOrigBytes, std::vector<uint8_t>{0x55});
    EXPECT_EQ(CodeByte(kCode), 0xCC);
    EXPECT_FALSE(table.GetAt(1).bArmed);
    EXPECT_EQ(table.GetAt(1).pOrigBytes, std::vector<uint8_t>{0x42});
    EXPECT_EQ(CodeByte(kReadOnlyData), 0x42);
    EXPECT_FALSE(table.GetAt(2).bArmed);
    EXPECT_TRUE(table.GetAt(2).pOrigBytes.empty());
    EXPECT_FALSE(table.GetAt(3).bArmed);
    EXPECT_EQ(CodeByte(kCode + 4), kFunctionBytes[4]);
    EXPECT_EQ(m_machine->SuspendCount(m_tid), 1u);

    m_idle.RemoveAllBreakPoints(m_process, true);
    EXPECT_EQ(table.GetSize(), 0);
    EXPECT_EQ(m_machine->PeekMemory(m_pid, kCode, kFunctionBytes.size()), kFunctionBytes);
}

TEST_F(BreakPointTest, EnableAndDisableWriteTheirLinesOnlyOnChange) {
    g_bDetail = true;
    m_idle.m_bLogToWindow = true;
    m_idle.m_arrBreakPoints.AddBreakPoint(0, kCode, "Func", {}, 0, true, true);
    m_idle.SetTracePoints();
    m_idle.DisableBreakPoint(m_pid, 0);
    m_idle.DisableBreakPoint(m_pid, 0);
    EXPECT_EQ(CodeByte(kCode), 0x55);
    m_idle.EnableBreakPoint(m_pid, 0);
    m_idle.EnableBreakPoint(m_pid, 0);
    EXPECT_EQ(CodeByte(kCode), 0xCC);
    m_idle.DeleteBreakPoint(m_process, 0, true);
    EXPECT_EQ(CodeByte(kCode), 0x55);
    EXPECT_EQ(Log(),
              "Deleting breakpoint 0. \r\nFunc(0) disabled!\r\nFunc(0) enabled!\r\n"
              "Deleting breakpoint 0. \r\nFunc(0) removed!\r\n");
}

TEST_F(BreakPointTest, ReportListsRecordsAndCountsEveryHitInTheTotal) {
    m_machine->SetLocalTime(SystemTime{2026, 5, 0, 6, 7, 8, 9, 10});
    m_idle.m_bAttached = true;
    CBreakPointArray& table = m_idle.m_arrBreakPoints;
    table.AddBreakPoint(0, kCode, "a", {}, 0, true, true);
    table.AddBreakPoint(0, kCode + 1, "b", {}, 0, true, true);
    table.ElementAt(0).nHits = 3;
    g_bNonZeroRpt = true;
    ReportStatistics(&m_idle, &m_window);
    EXPECT_EQ(Log(), "[2026-05-06 07:08:09.010]Breakpoints Statistics Report \r\n\t a (3)\r\nTotal: 3 \r\n");
    ClearStatistics(&m_idle);
    EXPECT_EQ(table.GetAt(0).nHits, 0);

    table.ElementAt(1).nHits = 2;
    m_idle.m_bAttached = false;
    ReportStatistics(&m_idle, &m_window);
    ClearStatistics(&m_idle);
    ReportStatistics(nullptr, &m_window);
    ClearStatistics(nullptr);
    EXPECT_EQ(table.GetAt(1).nHits, 2);
    EXPECT_EQ(Log(), "[2026-05-06 07:08:09.010]Breakpoints Statistics Report \r\n\t a (3)\r\nTotal: 3 \r\n");
}

}  // namespace
}  // namespace qv::test
