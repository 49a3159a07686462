// bench_monitor: 1,000 simulated processes of 20 threads each, in headless
// lists; the process list's refresh and sort by name and by id, the sort
// beside a comparison that searches the list, and the thread list's
// refresh. Figures only; it asserts nothing.
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "framework/headless/HeadlessListView.h"
#include "platform/sim/SimMachine.h"
#include "tests/support/PeBuilder.h"
#include "tools/bench_monitor/BenchCommon.h"

namespace {

constexpr int kProcesses = 1000;
constexpr int kThreadsPerProcess = 20;
constexpr int kRounds = 15;

}  // namespace

int main() {
    const auto root = std::filesystem::temp_directory_path() / ("qv-bench-monitor-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "C");
    {
        qv::sim::SimMachine machine(root);
        qv::SetPlatform(&machine);
        std::vector<uint32_t> processes;
        for (int index = 0; index < kProcesses; ++index) {
            const std::string path = "C:\\app" + std::to_string(index % 97) + ".exe";
            if (!std::filesystem::exists(machine.HostPath(path))) {
                qv::test::PeBuilder builder;
                builder.AddSection(".text", qv::test::PeBuilder::kCode, std::vector<uint8_t>(0x40, 0x90));
                builder.WriteTo(machine.HostPath(path));
            }
            const uint32_t process = machine.CreateProcess(path);
            for (int thread = 1; thread < kThreadsPerProcess; ++thread) machine.CreateThread(process);
            processes.push_back(process);
        }
        // Every process and thread works a little each second.
        auto work = [&] {
            machine.AdvanceClock(1000);
            for (size_t index = 0; index < processes.size(); ++index) {
                qv::sim::SimProcessAccounting accounting = machine.ProcessAccounting(processes[index]);
                accounting.times.ftUser += 10'000 * (index % 13);
                accounting.io.ReadOperationCount += 1;
                accounting.io.ReadTransferCount += 512 * (index % 7);
                accounting.memory.WorkingSetSize = (index % 300 + 1) << 20;
                accounting.cycles += 1'000'000 + index;
                machine.SetProcessAccounting(processes[index], accounting);
            }
        };

        qv::CSortList processList;
        qv::CSortList threadList;
        processList.Attach(std::make_unique<qv::CHeadlessListView>());
        threadList.Attach(std::make_unique<qv::CHeadlessListView>());
        qv::CProcessMonitor monitor(machine, processList, threadList, nullptr, nullptr);
        monitor.CreateColumns();
        const double fill = bench::Milliseconds([&] { monitor.FillProcessList(); });
        std::printf("first fill: %d rows in %.3f ms\n", processList.GetItemCount(), fill);

        processList.OnColumnClick(1);  // name: text
        bench::Report("processes by name (sim, headless)", monitor, processList, kRounds, true, work);
        processList.OnColumnClick(0);  // id: numbers
        bench::Report("processes by PID (sim, headless)", monitor, processList, kRounds, true, work);

        monitor.m_nSelPID = processes[kProcesses / 2];
        monitor.FillThreadList();
        threadList.OnColumnClick(0);
        std::vector<double> threads;
        for (int round = 0; round < kRounds; ++round) {
            work();
            threads.push_back(bench::Milliseconds([&] { monitor.RefreshThreadList(); }));
        }
        std::printf("threads of one process: %d rows, refresh + sort %.3f ms (median of %d; the snapshot walks all "
                    "%d threads)\n",
                    threadList.GetItemCount(), bench::Median(threads), kRounds, kProcesses * kThreadsPerProcess);
    }
    qv::SetPlatform(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return 0;
}
