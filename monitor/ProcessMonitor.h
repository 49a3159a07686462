// The process and thread lists of the main window: their columns, the first
// fill, the once-a-second refresh and the selections. The dialog owns one
// and only calls it: from its initialisation (CreateColumns, then
// FillProcessList), its one-second timer (RefreshProcessList, then
// RefreshThreadList) and the lists' LVN_ITEMCHANGED handlers.
#pragma once

#include <cstdint>

#include "framework/ListView.h"
#include "monitor/ProInfo.h"
#include "monitor/SortList.h"
#include "monitor/ThreadInfo.h"
#include "platform/PlatformTypes.h"

namespace qv {

class IPlatform;

// What the lists' selections chose (the dialog's m_nSelType).
inline constexpr int kSelectedNone = 0;
inline constexpr int kSelectedProcess = 1;
inline constexpr int kSelectedThread = 2;

class CProcessMonitor {
public:
    // The labels (1020, 1021) may be null.
    CProcessMonitor(IPlatform& platform, CSortList& processList, CSortList& threadList, CWnd* processLabel,
                    CWnd* threadLabel);

    // Both lists' columns, left-aligned, and full-row selection.
    void CreateColumns();

    void FillProcessList();
    void RefreshProcessList();
    // The threads of m_nSelPID, sampled anew, in place of every row.
    void FillThreadList();
    void RefreshThreadList();

    LResult OnProcessItemChanged(const ListNotify& notify);
    LResult OnThreadItemChanged(const ListNotify& notify);

    CProcessArray m_arrProcess;
    CThreadArray m_arrThread;
    uint32_t m_nSelPID = 0;
    uint32_t m_nSelTID = 0;
    int m_nSelType = kSelectedNone;
    SystemInfo m_SysInfo;

private:
    IPlatform& m_platform;
    CSortList& m_listProcess;
    CSortList& m_listThread;
    CWnd* m_pProcessLabel;
    CWnd* m_pThreadLabel;
};

}  // namespace qv
