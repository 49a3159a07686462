// bench_monitor.exe: the monitor on the real machine with real list views;
// the process list's refresh and sort by name, the sort beside a comparison
// that searches the list, and the thread list of this process. Figures
// only; it asserts nothing.
#include <cstdio>

#include "framework/win32/Win32ListView.h"
#include "platform/win32/Win32Platform.h"
#include "tools/bench_monitor/BenchCommon.h"

namespace {

constexpr int kRounds = 10;

}  // namespace

int main() {
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    qv::CSortList processList;
    qv::CSortList threadList;
    processList.Attach(qv::CreateHiddenListView(1007, nullptr));
    threadList.Attach(qv::CreateHiddenListView(1005, nullptr));
    if (!processList.IsAttached() || !threadList.IsAttached()) {
        std::printf("no list view could be created\n");
        return 1;
    }
    qv::CProcessMonitor monitor(platform, processList, threadList, nullptr, nullptr);
    monitor.CreateColumns();
    const double fill = bench::Milliseconds([&] { monitor.FillProcessList(); });
    std::printf("first fill: %d rows in %.3f ms\n", processList.GetItemCount(), fill);
    processList.OnColumnClick(1);
    bench::Report("processes by name (real machine, comctl32)", monitor, processList, kRounds, false,
                  [&platform] { platform.SleepEx(200, false); });
    monitor.m_nSelPID = platform.GetCurrentProcessId();
    monitor.FillThreadList();
    std::vector<double> threads;
    for (int round = 0; round < kRounds; ++round) {
        threads.push_back(bench::Milliseconds([&] { monitor.RefreshThreadList(); }));
    }
    std::printf("threads of this process: %d rows, refresh + sort %.3f ms (median of %d)\n", threadList.GetItemCount(),
                bench::Median(threads), kRounds);
    return 0;
}
