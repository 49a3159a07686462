// The process and thread monitor on the real machine under Wine, with the
// real comctl32 list views: the demo server listed with its name, path and
// workers, its user load while a workload runs, a process that comes and
// goes between refreshes, and sorting by id through a header click's
// notification.
#include "platform/win32/WinApi.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/win32/Win32ListView.h"
#include "monitor/ProcessMonitor.h"
#include "platform/win32/Win32Platform.h"
#include "tests/e2e/E2eHarness.h"

namespace {

constexpr DWORD kAnswerMs = 30000;
constexpr int kProcessListId = 1007;
constexpr int kThreadListId = 1005;
constexpr int kUserLoadColumn = 4;

// The dialog's part: item-changed notifications of both lists to the
// monitor.
class NotifyRouter : public qv::CWnd {
public:
    qv::CProcessMonitor* monitor = nullptr;
    qv::CWnd* GetDlgItem(int) const override { return nullptr; }
    qv::LResult SendMessage(uint32_t message, qv::WParam wParam, qv::LParam lParam) override {
        return WindowProc(message, wParam, lParam);
    }
    bool PostMessage(uint32_t, qv::WParam, qv::LParam) override { return false; }
    void SetWindowText(const std::string&) override {}
    std::string GetWindowText() const override { return {}; }
    int GetWindowTextLength() const override { return 0; }
    void EnableWindow(bool) override {}
    bool IsWindowEnabled() const override { return true; }
    void ShowWindow(bool) override {}
    bool IsWindowVisible() const override { return true; }
    qv::LResult WindowProc(uint32_t message, qv::WParam wParam, qv::LParam lParam) override {
        if (message != qv::kWmNotify || monitor == nullptr) return 0;
        const auto& notify = *reinterpret_cast<const qv::ListNotify*>(lParam);
        if (notify.code != qv::kLvnItemChanged) return 0;
        return wParam == kProcessListId ? monitor->OnProcessItemChanged(notify) : monitor->OnThreadItemChanged(notify);
    }
};

int RowOf(const qv::CListCtrl& list, DWORD id) {
    for (int row = 0; row < list.GetItemCount(); ++row) {
        if (list.GetItemText(row, 0) == std::to_string(id)) return row;
    }
    return -1;
}

std::vector<unsigned long> Ids(const qv::CListCtrl& list) {
    std::vector<unsigned long> ids;
    for (int row = 0; row < list.GetItemCount(); ++row) ids.push_back(std::stoul(list.GetItemText(row, 0)));
    return ids;
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && _stricmp(text.c_str() + text.size() - suffix.size(), suffix.c_str()) == 0;
}

// What comctl32 sends its parent for a click on a header.
void ClickHeader(HWND list, int column) {
    NMLISTVIEW click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageA(GetParent(list), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

}  // namespace

int main() {
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    e2e::DemoServer server;
    if (!server.Start(3)) {
        E2E_CHECK(!"the demo server started");
        return e2e::Checks().Finish("e2e_monitor");
    }
    const std::string info = server.Request("info", "", kAnswerMs).value_or("");

    NotifyRouter router;
    auto processView = qv::CreateHiddenListView(kProcessListId, &router);
    auto threadView = qv::CreateHiddenListView(kThreadListId, &router);
    if (!processView || !threadView) {
        E2E_CHECK(!"the list views were created");
        return e2e::Checks().Finish("e2e_monitor");
    }
    const HWND processWindow = processView->GetSafeHwnd();
    qv::CSortList processList;
    qv::CSortList threadList;
    processList.Attach(std::move(processView));
    threadList.Attach(std::move(threadView));
    qv::CProcessMonitor monitor(platform, processList, threadList, nullptr, nullptr);
    router.monitor = &monitor;
    monitor.CreateColumns();
    monitor.FillProcessList();

    // The server with its name and full path; selecting it lists its workers.
    const int serverRow = RowOf(processList, server.Pid());
    E2E_CHECK(serverRow >= 0);
    E2E_CHECK(processList.GetItemText(serverRow, 1) == "ORACLE.EXE");
    E2E_CHECK(EndsWithNoCase(processList.GetItemText(serverRow, 9), "\\BIN\\ORACLE.EXE"));
    E2E_CHECK(processList.GetItemText(serverRow, 2).find("d ") != std::string::npos);
    processList.SetItemState(serverRow, qv::kLvisFocused | qv::kLvisSelected, qv::kLvisFocused | qv::kLvisSelected);
    E2E_CHECK(monitor.m_nSelPID == server.Pid());
    E2E_CHECK(monitor.m_nSelType == qv::kSelectedProcess);
    for (int worker = 0; worker < 3; ++worker) {
        const auto id = e2e::AnswerValue(info, "worker" + std::to_string(worker));
        E2E_CHECK(id && RowOf(threadList, static_cast<DWORD>(*id)) >= 0);
    }

    // A workload: the server's user load rises above 0 at some refresh.
    const std::string run = server.Send("run", "3000000 3");
    double highestLoad = 0;
    for (int second = 0; second < 6 && highestLoad <= 0; ++second) {
        Sleep(1000);
        monitor.RefreshProcessList();
        monitor.RefreshThreadList();
        const int row = RowOf(processList, server.Pid());
        if (row >= 0) highestLoad = std::atof(processList.GetItemText(row, kUserLoadColumn).c_str());
    }
    e2e::Note("server user load while running: %.2f", highestLoad);
    E2E_CHECK(highestLoad > 0);
    E2E_CHECK(threadList.GetItemCount() >= 4);
    server.Await(run, 120000);

    // A process started between refreshes appears, and goes once it ended.
    {
        e2e::DemoServer second;
        E2E_CHECK(second.Start(1));
        monitor.RefreshProcessList();
        E2E_CHECK(RowOf(processList, second.Pid()) >= 0);
        const DWORD secondPid = second.Pid();
        second.Kill();
        monitor.RefreshProcessList();
        E2E_CHECK(RowOf(processList, secondPid) == -1);
    }

    // Header clicks through the real notification: ascending, then
    // descending ids.
    ClickHeader(processWindow, 0);
    std::vector<unsigned long> ids = Ids(processList);
    E2E_CHECK(ids.size() > 2 && std::is_sorted(ids.begin(), ids.end()));
    ClickHeader(processWindow, 0);
    ids = Ids(processList);
    E2E_CHECK(std::is_sorted(ids.rbegin(), ids.rend()) && ids.front() > ids.back());
    monitor.RefreshProcessList();
    ids = Ids(processList);
    E2E_CHECK(std::is_sorted(ids.rbegin(), ids.rend()));
    E2E_CHECK(processList.GetColumnText(0) == "PID(Total:" + std::to_string(processList.GetItemCount()) + ")");

    E2E_CHECK(server.Quit(kAnswerMs).value_or(1) == 0);
    return e2e::Checks().Finish("e2e_monitor");
}
