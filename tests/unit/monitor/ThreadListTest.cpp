#include <gtest/gtest.h>

#include "tests/unit/monitor/MonitorFixture.h"

namespace qv::monitor_test {
namespace {

enum { kTid, kName, kRunningTime, kKernel, kUser, kCycles, kIoWaiting, kPriority };

class ThreadList : public MonitorFixture {
protected:
    void SetUp() override {
        processors = 2;
        MonitorFixture::SetUp();
        process = StartProcess("server.exe");
        main = machine().ThreadIds(process).front();
        worker = machine().CreateThread(process);
        monitor->FillProcessList();
        processView_->ClickItem(RowOf(processList, process));
    }
    uint32_t process = 0;
    uint32_t main = 0;
    uint32_t worker = 0;
};

TEST_F(ThreadList, FillShowsEveryThreadOfTheSelectedProcess) {
    ChangeThread(worker, [](sim::SimThreadAccounting& a) {
        a.cycles = 0x2'0000'0009;
        a.ioPending = true;
        a.priority = -2;
    });
    machine().AdvanceClock(61'000);
    monitor->FillThreadList();
    EXPECT_EQ(Column(threadList, kTid), (std::vector<std::string>{std::to_string(main), std::to_string(worker)}));
    const int row = RowOf(threadList, worker);
    const std::vector<std::string> expected = {std::to_string(worker), "", "0d 0h 1m 1s", "0", "0", "9", "*", "-2"};
    for (int column = 0; column < 8; ++column) EXPECT_EQ(threadList.GetItemText(row, column), expected[column]);
    EXPECT_EQ(ThreadCell(main, kIoWaiting), " ");
    EXPECT_EQ(ThreadCell(main, kPriority), "0");
    EXPECT_EQ(Label(kThreadLabelId), "Threads(2):");

    // Another process: all rows replaced.
    const uint32_t other = machine().CreateBareProcess("other");
    monitor->FillProcessList();
    processView_->ClickItem(RowOf(processList, other));
    EXPECT_EQ(Column(threadList, kTid), (std::vector<std::string>{std::to_string(machine().ThreadIds(other)[0])}));
    EXPECT_EQ(Label(kThreadLabelId), "Threads(1):");
}

TEST_F(ThreadList, RefreshUpdatesInPlaceRemovesAndAppends) {
    threadView_->ClickColumn(kTid);
    threadView_->ClickColumn(kTid);  // descending: the worker first
    ASSERT_EQ(RowOf(threadList, worker), 0);
    Tick();
    ChangeThread(worker, [](sim::SimThreadAccounting& a) {
        a.times.ftKernel += kSecond / 2;  // half a second of two processors' one: 25 %
        a.times.ftUser += kSecond;        // 50 %
        a.cycles += 4000;
        a.ioPending = true;
        a.priority = 2;
    });
    Tick();
    EXPECT_EQ(ThreadCell(worker, kKernel), "25.00");
    EXPECT_EQ(ThreadCell(worker, kUser), "50.00");
    EXPECT_EQ(ThreadCell(worker, kCycles), "4000(4000.00/s)");
    EXPECT_EQ(ThreadCell(worker, kIoWaiting), "*");
    EXPECT_EQ(ThreadCell(worker, kPriority), "2");
    EXPECT_EQ(ThreadCell(main, kKernel), " 0.00");

    machine().ExitThread(worker);
    const uint32_t late = machine().CreateThread(process);
    ChangeThread(late, [](sim::SimThreadAccounting& a) { a.times.ftKernel = kSecond; });
    Tick();
    EXPECT_EQ(RowOf(threadList, worker), -1);
    EXPECT_EQ(RowOf(threadList, late), 0);  // appended, then sorted to its place
    // Its first second: id, running time and "0" loads only.
    EXPECT_EQ(ThreadCell(late, kRunningTime), "0d 0h 0m 1s");
    EXPECT_EQ(ThreadCell(late, kKernel), "0");
    EXPECT_EQ(ThreadCell(late, kCycles), "");
    EXPECT_EQ(ThreadCell(late, kIoWaiting), "");
    EXPECT_EQ(ThreadCell(late, kPriority), "");
    EXPECT_EQ(Label(kThreadLabelId), "Threads(2):");  // the refresh leaves the label
    Tick();
    EXPECT_EQ(ThreadCell(late, kCycles), "0( 0.00/s)");
    EXPECT_EQ(ThreadCell(late, kPriority), "0");
}

TEST_F(ThreadList, ThreadsThatCantBeReadKeepZeroRows) {
    ChangeThread(worker, [](sim::SimThreadAccounting& a) {
        a.times.ftUser = kSecond;
        a.cycles = 50;
        a.priority = 1;
    });
    machine().FailCalls(sim::FailingCall::OpenThread, worker);
    monitor->FillThreadList();
    const int row = RowOf(threadList, worker);
    ASSERT_GE(row, 0);
    EXPECT_EQ(threadList.GetItemText(row, kRunningTime), "");
    EXPECT_EQ(threadList.GetItemText(row, kCycles), "0");
    EXPECT_EQ(threadList.GetItemText(row, kPriority), "0");

    machine().FailCalls(sim::FailingCall::OpenThread, worker, false);
    machine().FailCalls(sim::FailingCall::GetThreadPriority, worker);
    machine().FailCalls(sim::FailingCall::QueryThreadCycleTime, worker);
    monitor->FillThreadList();
    EXPECT_EQ(ThreadCell(worker, kCycles), "0");
    EXPECT_EQ(ThreadCell(worker, kPriority), "0");  // never the failure value

    // No snapshot: the list empties at the next refresh.
    machine().FailCalls(sim::FailingCall::SnapshotThreads, 0);
    Tick();
    EXPECT_EQ(threadList.GetItemCount(), 0);
    EXPECT_EQ(machine().OpenHandleCount(), 0u);
}

TEST_F(ThreadList, SelectingAThreadChoosesIt) {
    threadView_->ClickItem(RowOf(threadList, worker));
    EXPECT_EQ(monitor->m_nSelTID, worker);
    EXPECT_EQ(monitor->m_nSelType, kSelectedThread);
    EXPECT_EQ(monitor->m_nSelPID, process);
    // Only a change to exactly focused and selected counts.
    threadList.SetItemState(RowOf(threadList, main), kLvisSelected, kLvisSelected);
    EXPECT_EQ(monitor->m_nSelTID, worker);
}

}  // namespace
}  // namespace qv::monitor_test
