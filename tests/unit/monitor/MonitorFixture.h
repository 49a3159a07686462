// The monitor over a simulated machine and two headless lists in a dialog
// that hands the lists' item-changed notifications to the monitor.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/headless/HeadlessListView.h"
#include "framework/headless/HeadlessWnd.h"
#include "monitor/ProcessMonitor.h"
#include "tests/unit/sim/SimFixture.h"

namespace qv::monitor_test {

inline constexpr int kProcessListId = 1007;
inline constexpr int kThreadListId = 1005;
inline constexpr int kProcessLabelId = 1020;
inline constexpr int kThreadLabelId = 1021;
inline constexpr FileTime kSecond = 10'000'000;

class MonitorDialog : public CHeadlessWnd {
public:
    CProcessMonitor* monitor = nullptr;
    LResult WindowProc(uint32_t message, WParam wParam, LParam lParam) override {
        if (message != kWmNotify || monitor == nullptr) return 0;
        const auto& notify = *reinterpret_cast<const ListNotify*>(lParam);
        if (notify.code != kLvnItemChanged) return 0;
        if (wParam == kProcessListId) return monitor->OnProcessItemChanged(notify);
        if (wParam == kThreadListId) return monitor->OnThreadItemChanged(notify);
        return 0;
    }
};

class MonitorFixture : public sim::testing::SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        auto processView = std::make_unique<CHeadlessListView>(&dialog, kProcessListId);
        auto threadView = std::make_unique<CHeadlessListView>(&dialog, kThreadListId);
        processView_ = processView.get();
        threadView_ = threadView.get();
        processList.Attach(std::move(processView));
        threadList.Attach(std::move(threadView));
        dialog.AddControl(kProcessLabelId);
        dialog.AddControl(kThreadLabelId);
        machine().SetProcessorCount(processors);
        monitor = std::make_unique<CProcessMonitor>(machine(), processList, threadList,
                                                    dialog.GetDlgItem(kProcessLabelId),
                                                    dialog.GetDlgItem(kThreadLabelId));
        dialog.monitor = monitor.get();
        monitor->CreateColumns();
    }

    // A process with an image C:\apps\<name>.
    uint32_t StartProcess(const std::string& name) { return machine().CreateProcess(WriteImage("C:\\" + name)); }

    // One second passes, then the timer's refresh of both lists.
    void Tick() {
        machine().AdvanceClock(1000);
        monitor->RefreshProcessList();
        monitor->RefreshThreadList();
    }

    template <typename Change>
    void ChangeProcess(uint32_t processId, Change change) {
        sim::SimProcessAccounting accounting = machine().ProcessAccounting(processId);
        change(accounting);
        machine().SetProcessAccounting(processId, accounting);
    }

    template <typename Change>
    void ChangeThread(uint32_t threadId, Change change) {
        sim::SimThreadAccounting accounting = machine().ThreadAccounting(threadId);
        change(accounting);
        machine().SetThreadAccounting(threadId, accounting);
    }

    static int RowOf(const CListCtrl& list, uint32_t id) {
        for (int row = 0; row < list.GetItemCount(); ++row) {
            if (list.GetItemText(row, 0) == std::to_string(id)) return row;
        }
        return -1;
    }
    std::string ProcessCell(uint32_t processId, int column) const {
        return processList.GetItemText(RowOf(processList, processId), column);
    }
    std::string ThreadCell(uint32_t threadId, int column) const {
        return threadList.GetItemText(RowOf(threadList, threadId), column);
    }
    static std::vector<std::string> Column(const CListCtrl& list, int column) {
        std::vector<std::string> texts;
        for (int row = 0; row < list.GetItemCount(); ++row) texts.push_back(list.GetItemText(row, column));
        return texts;
    }
    std::string Label(int id) const { return dialog.GetDlgItem(id)->GetWindowText(); }

    uint32_t processors = 4;
    MonitorDialog dialog;
    CSortList processList;
    CSortList threadList;
    CHeadlessListView* processView_ = nullptr;
    CHeadlessListView* threadView_ = nullptr;
    std::unique_ptr<CProcessMonitor> monitor;
};

}  // namespace qv::monitor_test
