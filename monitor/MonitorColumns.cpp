// The two lists' columns, as data.
#include "monitor/ProcessMonitor.h"
#include "platform/Platform.h"

namespace qv {

namespace {

struct MONITORCOLUMN {
    const char* header;
    int width;
};

constexpr MONITORCOLUMN kProcessColumns[] = {
    {"PID", 40},           {"Name", 100},        {"Running Time", 100}, {"Kernel CPU(PCT)", 80},
    {"User CPU(PCT)", 80}, {"MEM (M)", 80},      {"Page File (M)", 80}, {"IO(bytes/s)", 80},
    {"CPUCycles", 80},     {"Full Path", 200},
};

// "IO Waiting" starts hidden (width 0) until the user widens it.
constexpr MONITORCOLUMN kThreadColumns[] = {
    {"TID", 40},           {"Name", 100},      {"Running Time", 100}, {"Kernel CPU(PCT)", 80},
    {"User CPU(PCT)", 80}, {"CPUCycles", 80}, {"IO Waiting", 0},     {"Priority", 80},
};

template <size_t N>
void InsertColumns(CListCtrl& list, const MONITORCOLUMN (&columns)[N]) {
    for (size_t index = 0; index < N; ++index) {
        list.InsertColumn(static_cast<int>(index), columns[index].header, kLvcfmtLeft, columns[index].width);
    }
    list.SetExtendedStyle(list.GetExtendedStyle() | kLvsExFullRowSelect);
}

}  // namespace

CProcessMonitor::CProcessMonitor(IPlatform& platform, CSortList& processList, CSortList& threadList,
                                 CWnd* processLabel, CWnd* threadLabel)
    : m_SysInfo(platform.GetSystemInfo()),
      m_platform(platform),
      m_listProcess(processList),
      m_listThread(threadList),
      m_pProcessLabel(processLabel),
      m_pThreadLabel(threadLabel) {}

void CProcessMonitor::CreateColumns() {
    InsertColumns(m_listProcess, kProcessColumns);
    InsertColumns(m_listThread, kThreadColumns);
}

}  // namespace qv
