// The process list: first fill, refresh and selection.
#include <algorithm>
#include <climits>

#include "core/StringFormat.h"
#include "monitor/ProcessMonitor.h"
#include "monitor/RunningTime.h"
#include "monitor/SampleMatcher.h"
#include "monitor/SampleRates.h"
#include "platform/Platform.h"

namespace qv {

namespace {

enum ProcessColumn {
    kPid,
    kName,
    kRunningTime,
    kKernelLoad,
    kUserLoad,
    kMemory,
    kPageFile,
    kIo,
    kCycles,
    kPath,
};

// Sizes above this read as a garbage value (the debug heap's fill), not as
// a measurement: the cell keeps its last text.
constexpr uint64_t kLargestMemorySize = 0xCCCCCCCB;
constexpr uint64_t kGarbageCount = 0xCCCCCCCCCCCCCCCC;

struct Totals {
    double kernel = 0;
    double user = 0;
    uint64_t memory = 0;
    uint64_t pageFile = 0;
    int64_t io = 0;
};

int ClampToInt(int64_t value) { return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX)); }

uint64_t TransferredBytes(const IoCounters& io) {
    return io.ReadTransferCount + io.WriteTransferCount + io.OtherTransferCount;
}

// The previous sample of the same process: same id and same creation time,
// so that a reused id never lends another process's counters.
const CProInfo* PreviousOf(const CProcessArray& previous, const CSampleMatcher& matcher, const CProInfo& cur) {
    const int32_t index = matcher.First(cur.m_nPID);
    if (index < 0) return nullptr;
    const CProInfo& prev = previous.GetAt(index);
    return prev.m_ftCreation == cur.m_ftCreation ? &prev : nullptr;
}

class ProcessRows {
public:
    ProcessRows(IPlatform& platform, CSortList& list, const SystemInfo& system)
        : m_platform(platform), m_list(list), m_system(system), m_localNow(LocalNow(platform)) {}

    void WriteNew(int row, const CProInfo& sample, Totals* totals) {
        m_list.SetItemText(row, kPid, FormatString("%d", static_cast<int>(sample.m_nPID)));
        WriteNameAndTime(row, sample);
        m_list.SetItemText(row, kKernelLoad, "0");
        m_list.SetItemText(row, kUserLoad, "0");
        WriteMemory(row, sample, totals);
        m_list.SetItemText(row, kIo, "0");
        m_list.SetItemText(row, kCycles, CyclesText(sample.m_nCycles));
        WritePath(row, sample);
        m_list.SetItemData(row, static_cast<uintptr_t>(row));
    }

    void Append(const CProInfo& sample, Totals* totals) {
        const int row = m_list.InsertItem(m_list.GetItemCount(), FormatString("%d", static_cast<int>(sample.m_nPID)));
        if (row >= 0) WriteNew(row, sample, totals);
    }

    void Update(int row, const CProInfo& cur, const CProInfo* prev, int64_t frequency, Totals& totals) {
        const uint64_t elapsed = prev ? ElapsedNanoseconds(prev->m_nSampleTick, cur.m_nSampleTick, frequency) : 0;
        WriteNameAndTime(row, cur);
        const CpuLoads loads = SampleLoads(cur, prev, elapsed, m_system.dwNumberOfProcessors);
        m_list.SetItemText(row, kKernelLoad, LoadText(loads.kernel));
        m_list.SetItemText(row, kUserLoad, LoadText(loads.user));
        totals.kernel += loads.kernel;
        totals.user += loads.user;
        WriteMemory(row, cur, &totals);
        const uint64_t reads = cur.m_IoCounters.ReadOperationCount;
        if (prev && reads != 0 && reads < kGarbageCount) {
            // Bytes per second, as the header says.
            const auto rate = static_cast<int64_t>(
                PerSecond(TransferredBytes(cur.m_IoCounters), TransferredBytes(prev->m_IoCounters), elapsed));
            m_list.SetItemText(row, kIo, FormatString("%d", ClampToInt(rate)));
            totals.io += rate;
        }
        m_list.SetItemText(row, kCycles, prev ? CyclesRateText(cur.m_nCycles, PerSecond(cur.m_nCycles, prev->m_nCycles,
                                                                                            elapsed))
                                              : CyclesText(0));
        WritePath(row, cur);
        m_list.SetItemData(row, static_cast<uintptr_t>(row));
    }

private:
    void WriteNameAndTime(int row, const CProInfo& sample) {
        if (!sample.m_strName.empty()) m_list.SetItemText(row, kName, sample.m_strName);
        if (sample.m_ftCreation != 0) {
            m_list.SetItemText(row, kRunningTime, FormatRunningTime(m_platform, m_localNow, sample.m_ftCreation));
        }
    }

    void WritePath(int row, const CProInfo& sample) {
        if (!sample.m_strPath.empty()) m_list.SetItemText(row, kPath, sample.m_strPath);
    }

    // Memory and page file in MiB; out-of-range sizes keep the old text.
    void WriteMemory(int row, const CProInfo& sample, Totals* totals) {
        const uint64_t workingSet = sample.m_MemCounters.WorkingSetSize;
        if (workingSet >= 1 && workingSet <= kLargestMemorySize) {
            m_list.SetItemText(row, kMemory, FormatString("%d", static_cast<int>(workingSet >> 20)));
            if (totals) totals->memory += workingSet;
        }
        const uint64_t pageFile = sample.m_MemCounters.PagefileUsage;
        if (pageFile >= 1 && pageFile <= kLargestMemorySize) {
            m_list.SetItemText(row, kPageFile, FormatString("%d", static_cast<int>(pageFile >> 20)));
            if (totals) totals->pageFile += pageFile;
        }
    }

    IPlatform& m_platform;
    CSortList& m_list;
    const SystemInfo& m_system;
    FileTime m_localNow;
};

void SetHeader(CListCtrl& list, int column, const std::string& text) {
    if (list.GetColumnText(column)) list.SetColumnText(column, text);
}

void WriteTotals(CListCtrl& list, const Totals& totals) {
    SetHeader(list, kPid, FormatString("PID(Total:%d)", list.GetItemCount()));
    SetHeader(list, kKernelLoad, FormatString("Kernel CPU(%5.2f)", totals.kernel));
    SetHeader(list, kUserLoad, FormatString("User CPU(%5.2f)", totals.user));
    SetHeader(list, kMemory, FormatString("MEM (%dM)", static_cast<int>(totals.memory >> 20)));
    SetHeader(list, kPageFile, FormatString("Page File (%dM)", static_cast<int>(totals.pageFile >> 20)));
    SetHeader(list, kIo, FormatString("IO(%dbytes/s)", ClampToInt(totals.io)));
}

}  // namespace

void CProcessMonitor::FillProcessList() {
    m_listProcess.DeleteAllItems();
    SampleProcesses(m_platform, m_arrProcess);
    ProcessRows rows(m_platform, m_listProcess, m_SysInfo);
    for (const CProInfo& sample : m_arrProcess) {
        if (sample.m_nPID != 0) rows.Append(sample, nullptr);
    }
}

void CProcessMonitor::RefreshProcessList() {
    const int64_t frequency = m_platform.QueryPerformanceFrequency();
    const CProcessArray previous = m_arrProcess;
    SampleProcesses(m_platform, m_arrProcess);
    const CSampleMatcher previousById(previous, [](const CProInfo& sample) { return sample.m_nPID; });
    CSampleMatcher currentById(m_arrProcess, [](const CProInfo& sample) { return sample.m_nPID; });

    ProcessRows rows(m_platform, m_listProcess, m_SysInfo);
    Totals totals;
    for (int row = 0; row < m_listProcess.GetItemCount();) {
        const int32_t index = currentById.Take(RowId(m_listProcess, row));
        if (index < 0) {
            // Ended: the next row moves into this place.
            m_listProcess.DeleteItem(row);
            continue;
        }
        const CProInfo& cur = m_arrProcess.GetAt(index);
        rows.Update(row, cur, PreviousOf(previous, previousById, cur), frequency, totals);
        ++row;
    }
    for (int32_t index : currentById.Left()) {
        const CProInfo& sample = m_arrProcess.GetAt(index);
        if (sample.m_nPID != 0) rows.Append(sample, &totals);
    }
    WriteTotals(m_listProcess, totals);
    m_listProcess.Sort();
    if (m_pProcessLabel) m_pProcessLabel->SetWindowText(FormatString("Processes(%d):", m_arrProcess.GetSize()));
}

LResult CProcessMonitor::OnProcessItemChanged(const ListNotify& notify) {
    if (notify.iItem < 0 || notify.uNewState != (kLvisFocused | kLvisSelected)) return 0;
    const uint32_t id = RowId(m_listProcess, notify.iItem);
    if (id != m_nSelPID) {
        m_nSelPID = id;
        FillThreadList();
    }
    m_nSelType = kSelectedProcess;
    return 0;
}

}  // namespace qv
