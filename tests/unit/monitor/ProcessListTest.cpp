#include <gtest/gtest.h>

#include <set>

#include "tests/unit/monitor/MonitorFixture.h"

namespace qv::monitor_test {
namespace {

enum { kPid, kName, kRunningTime, kKernel, kUser, kMem, kPageFile, kIo, kCycles, kPath };

constexpr uint64_t kMiB = 1 << 20;

using ProcessList = MonitorFixture;

TEST_F(ProcessList, ColumnsAndFirstFill) {
    const uint32_t server = StartProcess("ORACLE.EXE");
    const uint32_t system = machine().CreateBareProcess("System");
    const uint32_t hidden = StartProcess("hidden.exe");
    machine().FailCalls(sim::FailingCall::OpenProcess, hidden);
    ChangeProcess(server, [](sim::SimProcessAccounting& a) {
        a.memory.WorkingSetSize = 300 * kMiB;
        a.memory.PagefileUsage = 0xCCCCCCCC;  // out of range: no text
        a.cycles = 0x1'0000'0005;
    });
    machine().AdvanceClock(3'723'000);  // 1 h 2 min 3 s
    monitor->FillProcessList();

    EXPECT_EQ(processList.GetColumnText(kIo), "IO(bytes/s)");
    EXPECT_EQ(processList.GetColumnWidth(kPath), 200);
    EXPECT_EQ(threadList.GetColumnText(6), "IO Waiting");
    EXPECT_EQ(threadList.GetColumnWidth(6), 0);
    EXPECT_TRUE(processList.GetExtendedStyle() & kLvsExFullRowSelect);

    EXPECT_EQ(RowOf(processList, hidden), -1);  // can't be opened: not listed
    const int row = RowOf(processList, server);
    ASSERT_GE(row, 0);
    const std::vector<std::string> expected = {std::to_string(server), "ORACLE.EXE", "0d 1h 2m 3s", "0", "0",
                                               "300", "", "0", "5", "C:\\ORACLE.EXE"};
    for (int column = 0; column < 10; ++column) EXPECT_EQ(processList.GetItemText(row, column), expected[column]);
    EXPECT_EQ(processList.GetItemData(row), static_cast<uintptr_t>(row));
    // The module list can't be read: the id only, no running time.
    EXPECT_EQ(ProcessCell(system, kName), "");
    EXPECT_EQ(ProcessCell(system, kRunningTime), "");
    EXPECT_EQ(ProcessCell(system, kCycles), "0");
    // No totals until the first refresh.
    EXPECT_EQ(processList.GetColumnText(kPid), "PID");
    EXPECT_EQ(Label(kProcessLabelId), "");
    EXPECT_EQ(machine().OpenHandleCount(), 0u);
}

TEST_F(ProcessList, RefreshFiguresAndTotals) {
    ASSERT_EQ(monitor->m_SysInfo.dwNumberOfProcessors, 4u);
    const uint32_t busy = StartProcess("busy.exe");
    const uint32_t idle = StartProcess("idle.exe");
    ChangeProcess(busy, [](sim::SimProcessAccounting& a) {
        a.times.ftKernel = 5 * kSecond;
        a.times.ftUser = 7 * kSecond;
        a.io = {10, 5, 1, 1000, 500, 100};
        a.cycles = 1'000'000;
        a.memory.WorkingSetSize = 64 * kMiB;
        a.memory.PagefileUsage = 32 * kMiB;
    });
    ChangeProcess(idle, [](sim::SimProcessAccounting& a) {
        a.memory.WorkingSetSize = 16 * kMiB;
        a.memory.PagefileUsage = 8 * kMiB;
    });
    monitor->FillProcessList();
    Tick();  // the first refresh: totals appear
    EXPECT_EQ(processList.GetColumnText(kMem), "MEM (80M)");
    EXPECT_EQ(processList.GetColumnText(kPageFile), "Page File (40M)");

    ChangeProcess(busy, [](sim::SimProcessAccounting& a) {
        a.times.ftKernel += kSecond / 5;  // 0.2 s of 4 processors' second: 5 %
        a.times.ftUser += 2 * kSecond;    // 50 %
        a.io.ReadOperationCount += 3;
        a.io.ReadTransferCount += 3000;
        a.io.OtherTransferCount += 96;
        a.cycles += 2'500'000;
    });
    Tick();
    EXPECT_EQ(ProcessCell(busy, kKernel), " 5.00");
    EXPECT_EQ(ProcessCell(busy, kUser), "50.00");
    EXPECT_EQ(ProcessCell(busy, kIo), "3096");
    EXPECT_EQ(ProcessCell(busy, kCycles), "3500000(2500000.00/s)");
    EXPECT_EQ(ProcessCell(idle, kKernel), " 0.00");  // no kernel time at all
    EXPECT_EQ(ProcessCell(idle, kIo), "0");           // no reads: keeps its text
    EXPECT_EQ(ProcessCell(idle, kCycles), "0( 0.00/s)");
    EXPECT_EQ(processList.GetColumnText(kKernel), "Kernel CPU( 5.00)");
    EXPECT_EQ(processList.GetColumnText(kUser), "User CPU(50.00)");
    EXPECT_EQ(processList.GetColumnText(kIo), "IO(3096bytes/s)");
    const int rows = processList.GetItemCount();
    EXPECT_EQ(processList.GetColumnText(kPid), "PID(Total:" + std::to_string(rows) + ")");
    EXPECT_EQ(Label(kProcessLabelId), "Processes(" + std::to_string(rows) + "):");
}

TEST_F(ProcessList, WorkingSetAboveTheBoundKeepsTheLastText) {
    const uint32_t process = StartProcess("big.exe");
    ChangeProcess(process, [](sim::SimProcessAccounting& a) { a.memory.WorkingSetSize = 200 * kMiB; });
    monitor->FillProcessList();
    Tick();
    EXPECT_EQ(ProcessCell(process, kMem), "200");
    struct Case {
        uint64_t size;
        const char* cell;
        const char* total;
    };
    for (const Case& test : {Case{0xCCCCCCCB, "3276", "MEM (3276M)"}, Case{0xCCCCCCCC, "3276", "MEM (0M)"},
                             Case{0, "3276", "MEM (0M)"}, Case{kMiB, "1", "MEM (1M)"}}) {
        ChangeProcess(process, [&](sim::SimProcessAccounting& a) { a.memory.WorkingSetSize = test.size; });
        Tick();
        EXPECT_EQ(ProcessCell(process, kMem), test.cell) << test.size;
        EXPECT_EQ(processList.GetColumnText(kMem), test.total) << test.size;
    }
}

TEST_F(ProcessList, EndedProcessesGoAndNewOnesAreSortedIn) {
    const uint32_t first = StartProcess("first.exe");
    const uint32_t second = StartProcess("second.exe");
    monitor->FillProcessList();
    processView_->ClickColumn(kPid);
    processView_->ClickColumn(kPid);  // descending ids
    const int before = processList.GetItemCount();

    machine().ExitProcess(first);
    const uint32_t third = StartProcess("third.exe");
    ChangeProcess(third, [](sim::SimProcessAccounting& a) {
        a.times.ftKernel = kSecond;
        a.io.ReadOperationCount = 4;
    });
    Tick();
    EXPECT_EQ(RowOf(processList, first), -1);
    EXPECT_EQ(processList.GetItemCount(), before);
    EXPECT_EQ(RowOf(processList, third), 0);  // the highest id, sorted to the top
    EXPECT_EQ(RowOf(processList, second), 1);
    // Its first second: "0" loads and I/O, whatever its counters say.
    EXPECT_EQ(ProcessCell(third, kKernel), "0");
    EXPECT_EQ(ProcessCell(third, kUser), "0");
    EXPECT_EQ(ProcessCell(third, kIo), "0");

    // Every row's item data is unique again after the sort's re-numbering.
    std::set<uintptr_t> data;
    for (int row = 0; row < processList.GetItemCount(); ++row) data.insert(processList.GetItemData(row));
    EXPECT_EQ(data.size(), static_cast<size_t>(processList.GetItemCount()));
}

TEST_F(ProcessList, FailedCallsGiveZerosAndKeepCells) {
    const uint32_t process = StartProcess("flaky.exe");
    ChangeProcess(process, [](sim::SimProcessAccounting& a) {
        a.memory.WorkingSetSize = 10 * kMiB;
        a.times.ftUser = kSecond;
        a.cycles = 77;
    });
    monitor->FillProcessList();
    Tick();
    for (sim::FailingCall call : {sim::FailingCall::GetProcessTimes, sim::FailingCall::GetProcessMemoryInfo,
                                sim::FailingCall::GetProcessIoCounters, sim::FailingCall::QueryProcessCycleTime,
                                sim::FailingCall::GetModuleBaseName, sim::FailingCall::GetModuleFileNameEx}) {
        machine().FailCalls(call, process);
    }
    ChangeProcess(process, [](sim::SimProcessAccounting& a) { a.times.ftUser += kSecond; });
    Tick();
    const int row = RowOf(processList, process);
    ASSERT_GE(row, 0);
    EXPECT_EQ(processList.GetItemText(row, kName), "flaky.exe");  // kept
    EXPECT_EQ(processList.GetItemText(row, kRunningTime), "0d 0h 0m 1s");  // no times: kept
    EXPECT_EQ(processList.GetItemText(row, kUser), " 0.00");
    EXPECT_EQ(processList.GetItemText(row, kMem), "10");
    // Without its times the sample can't be matched to the last one (its
    // creation time is unknown): no rate from figures of another sample.
    EXPECT_EQ(processList.GetItemText(row, kCycles), "0");
    EXPECT_EQ(processList.GetItemText(row, kPath), "C:\\flaky.exe");

    // The whole module list unreadable: still listed, by id.
    machine().FailCalls(sim::FailingCall::EnumProcessModules, process);
    Tick();
    EXPECT_GE(RowOf(processList, process), 0);
    // The process list itself unreadable: every row goes.
    machine().FailCalls(sim::FailingCall::EnumProcesses, 0);
    Tick();
    EXPECT_EQ(processList.GetItemCount(), 0);
    EXPECT_EQ(Label(kProcessLabelId), "Processes(0):");
    EXPECT_EQ(machine().OpenHandleCount(), 0u);
}

TEST_F(ProcessList, RunningTimeAcrossDaysAndTimeZones) {
    struct Case {
        int32_t systemBias;
        int32_t runtimeBias;
        const char* text;
    };
    // Started 2 days, 3 h, 4 min and 5 s ago. The runtime's bias has no
    // daylight saving: when the system's zone has it on, the local now
    // lags the creation's local time by that hour.
    const Case cases[] = {
        {0, 0, "2d 3h 4m 5s"},
        {-3600, -3600, "2d 3h 4m 5s"},
        {18000, 18000, "2d 3h 4m 5s"},
        {-7200, -3600, "2d 2h 4m 5s"},
        {3600, 0, "2d 4h 4m 5s"},
    };
    const uint32_t process = StartProcess("old.exe");
    const FileTime started = machine().CurrentFileTime();
    machine().AdvanceClock(((2 * 24 + 3) * 3600 + 4 * 60 + 5) * 1000ull);
    for (const Case& test : cases) {
        machine().SetTimeZoneBias(test.systemBias, test.runtimeBias);
        monitor->FillProcessList();
        EXPECT_EQ(ProcessCell(process, kRunningTime), test.text) << test.systemBias << " " << test.runtimeBias;
    }
    // Created "after now" (a clock set back): zeros, not wrapped figures.
    machine().SetTimeZoneBias(0, 0);
    ChangeProcess(process, [&](sim::SimProcessAccounting& a) { a.times.ftCreation = started + 400 * 86400 * kSecond; });
    monitor->FillProcessList();
    EXPECT_EQ(ProcessCell(process, kRunningTime), "0d 0h 0m 0s");
}

TEST_F(ProcessList, MoreThanAThousandProcessesAreAllListed) {
    for (int i = 0; i < 1100; ++i) machine().CreateBareProcess("worker" + std::to_string(i));
    monitor->FillProcessList();
    const auto ids = machine().EnumProcesses();
    ASSERT_TRUE(ids);
    EXPECT_EQ(processList.GetItemCount(), static_cast<int>(ids->size()));
    EXPECT_GT(processList.GetItemCount(), 1100);
    Tick();
    EXPECT_EQ(processList.GetItemCount(), static_cast<int>(ids->size()));
}

TEST_F(ProcessList, SelectionFillsTheThreadsOnce) {
    const uint32_t process = StartProcess("pick.exe");
    machine().CreateThread(process);
    monitor->FillProcessList();
    processView_->ClickItem(RowOf(processList, process));
    EXPECT_EQ(monitor->m_nSelPID, process);
    EXPECT_EQ(monitor->m_nSelType, kSelectedProcess);
    EXPECT_EQ(threadList.GetItemCount(), 2);
    EXPECT_EQ(Label(kThreadLabelId), "Threads(2):");

    threadView_->ClickItem(0);
    EXPECT_EQ(monitor->m_nSelType, kSelectedThread);
    // Away and back to the same row: not filled again, but the process is
    // the selection once more.
    machine().CreateThread(process);
    processView_->ClickItem(-1);
    processView_->ClickItem(RowOf(processList, process));
    EXPECT_EQ(monitor->m_nSelType, kSelectedProcess);
    EXPECT_EQ(threadList.GetItemCount(), 2);
    EXPECT_NE(monitor->m_nSelTID, 0u);  // a process selection keeps the thread id
}

}  // namespace
}  // namespace qv::monitor_test
