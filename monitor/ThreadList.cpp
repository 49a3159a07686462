// The thread list of the selected process: fill, refresh and selection.
#include "core/StringFormat.h"
#include "monitor/ProcessMonitor.h"
#include "monitor/RunningTime.h"
#include "monitor/SampleMatcher.h"
#include "monitor/SampleRates.h"
#include "platform/Platform.h"

namespace qv {

namespace {

enum ThreadColumn { kTid, kName, kRunningTime, kKernelLoad, kUserLoad, kCycles, kIoWaiting, kPriority };

const char* IoWaitingText(const CThreadInfo& sample) { return sample.m_bIOPending ? "*" : " "; }

std::string PriorityText(const CThreadInfo& sample) { return FormatString("%d", sample.m_nPriority); }

// The previous sample of the same thread (same id, same creation time).
const CThreadInfo* PreviousOf(const CThreadArray& previous, const CSampleMatcher& matcher, const CThreadInfo& cur) {
    const int32_t index = matcher.First(cur.m_nTID);
    if (index < 0) return nullptr;
    const CThreadInfo& prev = previous.GetAt(index);
    return prev.m_ftCreation == cur.m_ftCreation ? &prev : nullptr;
}

class ThreadRows {
public:
    ThreadRows(IPlatform& platform, CSortList& list, const SystemInfo& system)
        : m_platform(platform), m_list(list), m_system(system), m_localNow(LocalNow(platform)) {}

    // A row of its own: id, name, running time and "0" loads; the rest is
    // left to the caller.
    int Append(const CThreadInfo& sample) {
        const int row = m_list.InsertItem(m_list.GetItemCount(), FormatString("%d", static_cast<int>(sample.m_nTID)));
        if (row < 0) return row;
        WriteNameAndTime(row, sample);
        m_list.SetItemText(row, kKernelLoad, "0");
        m_list.SetItemText(row, kUserLoad, "0");
        m_list.SetItemData(row, static_cast<uintptr_t>(row));
        return row;
    }

    void Fill(const CThreadInfo& sample) {
        const int row = Append(sample);
        if (row < 0) return;
        m_list.SetItemText(row, kCycles, CyclesText(sample.m_nCycles));
        m_list.SetItemText(row, kIoWaiting, IoWaitingText(sample));
        m_list.SetItemText(row, kPriority, PriorityText(sample));
    }

    void Update(int row, const CThreadInfo& cur, const CThreadInfo* prev, int64_t frequency) {
        const uint64_t elapsed = prev ? ElapsedNanoseconds(prev->m_nSampleTick, cur.m_nSampleTick, frequency) : 0;
        WriteNameAndTime(row, cur);
        const CpuLoads loads = SampleLoads(cur, prev, elapsed, m_system.dwNumberOfProcessors);
        m_list.SetItemText(row, kKernelLoad, LoadText(loads.kernel));
        m_list.SetItemText(row, kUserLoad, LoadText(loads.user));
        m_list.SetItemText(row, kCycles, prev ? CyclesRateText(cur.m_nCycles, PerSecond(cur.m_nCycles, prev->m_nCycles,
                                                                                            elapsed))
                                              : CyclesText(0));
        m_list.SetItemText(row, kIoWaiting, prev ? IoWaitingText(cur) : " ");
        m_list.SetItemText(row, kPriority, prev ? PriorityText(cur) : " ");
        m_list.SetItemData(row, static_cast<uintptr_t>(row));
    }

private:
    void WriteNameAndTime(int row, const CThreadInfo& sample) {
        if (!sample.m_strName.empty()) m_list.SetItemText(row, kName, sample.m_strName);
        if (sample.m_ftCreation != 0) {
            m_list.SetItemText(row, kRunningTime, FormatRunningTime(m_platform, m_localNow, sample.m_ftCreation));
        }
    }

    IPlatform& m_platform;
    CSortList& m_list;
    const SystemInfo& m_system;
    FileTime m_localNow;
};

}  // namespace

void CProcessMonitor::FillThreadList() {
    SampleThreads(m_platform, m_nSelPID, m_arrThread);
    m_listThread.DeleteAllItems();
    ThreadRows rows(m_platform, m_listThread, m_SysInfo);
    for (const CThreadInfo& sample : m_arrThread) {
        if (sample.m_nTID != 0) rows.Fill(sample);
    }
    if (m_pThreadLabel) m_pThreadLabel->SetWindowText(FormatString("Threads(%d):", m_listThread.GetItemCount()));
}

void CProcessMonitor::RefreshThreadList() {
    const int64_t frequency = m_platform.QueryPerformanceFrequency();
    const CThreadArray previous = m_arrThread;
    SampleThreads(m_platform, m_nSelPID, m_arrThread);
    const CSampleMatcher previousById(previous, [](const CThreadInfo& sample) { return sample.m_nTID; });
    CSampleMatcher currentById(m_arrThread, [](const CThreadInfo& sample) { return sample.m_nTID; });

    ThreadRows rows(m_platform, m_listThread, m_SysInfo);
    for (int row = 0; row < m_listThread.GetItemCount();) {
        const int32_t index = currentById.Take(RowId(m_listThread, row));
        if (index < 0) {
            m_listThread.DeleteItem(row);
            continue;
        }
        const CThreadInfo& cur = m_arrThread.GetAt(index);
        rows.Update(row, cur, PreviousOf(previous, previousById, cur), frequency);
        ++row;
    }
    // Threads that started since the last refresh; their cycles, I/O and
    // priority cells stay empty until the next one.
    for (int32_t index : currentById.Left()) {
        const CThreadInfo& sample = m_arrThread.GetAt(index);
        if (sample.m_nTID != 0) rows.Append(sample);
    }
    m_listThread.Sort();
}

LResult CProcessMonitor::OnThreadItemChanged(const ListNotify& notify) {
    if (notify.iItem < 0 || notify.uNewState != (kLvisFocused | kLvisSelected)) return 0;
    const uint32_t id = RowId(m_listThread, notify.iItem);
    if (id != m_nSelTID) m_nSelTID = id;
    m_nSelType = kSelectedThread;
    return 0;
}

}  // namespace qv
