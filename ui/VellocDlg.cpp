#include "ui/VellocDlg.h"

#include <array>

#include "core/OptionFlags.h"
#include "core/TargetAccess.h"
#include "core/TraceLog.h"
#include "platform/Platform.h"
#include "tracer/DeamonThread.h"
#include "tracer/TraceSession.h"
#include "ui/ConfigFile.h"
#include "ui/DialogTemplates.h"
#include "ui/Resource.h"

namespace qv {

namespace {

constexpr uint32_t kRefreshPeriodMs = 1000;
constexpr uint32_t kBannerPeriodMs = 50;
constexpr uintptr_t kRefreshTimerId = 1;
constexpr uintptr_t kBannerTimerId = 2;
constexpr uint32_t kEditMaximumText = 0;

// In the order they are shown.
constexpr std::array kToolButtons{IDC_KILL,        IDC_RESUME, IDC_SUSPEND, IDC_GETSTACKS, IDC_IMPORTTABLE,
                                  IDC_EXPORTTABLE, IDC_RELOAD, IDC_ABOUT,   IDC_JOKE,      IDC_TEST};

// Enabled while a trace runs, disabled while none does; Trace the other way.
constexpr std::array kTraceControls{IDC_STOP,   IDC_DISASSEMBLE, IDC_COMMAND, IDC_STATONLY,
                                    IDC_REPORT, IDC_CLEANSTAT,   IDC_RELOAD};

}  // namespace

CVellocDlg::CVellocDlg(CWnd* parent)
    : CDialog(kMainDialogTemplate, parent), m_hIcon(LoadIconResource(IDR_MAINFRAME)) {}

// A window closed without Exit (its owner ending the run) still leaves the
// target clean.
CVellocDlg::~CVellocDlg() { StopTrace(); }

std::span<const MessageMapEntry<CVellocDlg>> CVellocDlg::MessageMap() {
    using D = CVellocDlg;
    static const std::array map{
        OnNotifyEntry<D>(IDC_PROCESSLIST, kNmClick, &D::OnProcessListClick),
        OnNotifyEntry<D>(IDC_PROCESSLIST, kLvnItemChanged, &D::OnProcessSelected),
        OnNotifyEntry<D>(IDC_THREADLIST, kLvnItemChanged, &D::OnThreadSelected),
        OnCommandEntry<D>(IDC_KILL, &D::OnKill),
        OnCommandEntry<D>(IDC_SUSPEND, &D::OnSuspend),
        OnCommandEntry<D>(IDC_RESUME, &D::OnResume),
        OnTimerEntry<D>(&D::OnTimer),
        OnCommandEntry<D>(IDC_TRACE, &D::OnTrace),
        OnCommandEntry<D>(IDC_STOP, &D::OnStop),
        OnCommandEntry<D>(IDC_EXIT, &D::OnExit),
        OnCommandEntry<D>(IDC_TEST, &D::OnTest),
        OnCommandEntry<D>(IDC_IMPORTTABLE, &D::OnImportTable),
        OnCommandEntry<D>(IDC_EXPORTTABLE, &D::OnExportTable),
        OnCommandEntry<D>(IDC_RELOAD, &D::OnReload),
        OnCommandEntry<D>(IDC_JOKE, &D::OnJoke),
        OnCommandEntry<D>(IDC_ABOUT, &D::OnAbout),
        OnMessageEntry<D>(kWmAsyncLog, &D::OnAsyncLogMessage),
        OnMessageEntry<D>(kWmDirectLog, &D::OnDirectLogMessage),
        OnCommandEntry<D>(IDC_GETSTACKS, &D::OnGetStacks),
        OnCommandEntry<D>(IDC_DISASSEMBLE, &D::ExecuteCommand),
        OnCommandEntry<D>(IDC_STATONLY, &D::OnStatOnly),
        OnCommandEntry<D>(IDC_REPORT, &D::OnReport),
        OnCommandEntry<D>(IDC_CLEANSTAT, &D::OnCleanStat),
    };
    return map;
}

bool CVellocDlg::OnWndMsg(uint32_t message, WParam wParam, LParam lParam, LResult& result) {
    return DispatchMessageMap<CVellocDlg>(*this, MessageMap(), message, wParam, lParam, result);
}

void CVellocDlg::DoDataExchange() {
    DDX_Control(IDC_PROCESSLIST, m_lstProcess);
    DDX_Control(IDC_THREADLIST, m_lstThread);
}

bool CVellocDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);
    m_pMonitor = std::make_unique<CProcessMonitor>(Platform(), m_lstProcess, m_lstThread,
                                                   GetDlgItem(IDC_PROCESSLABEL), GetDlgItem(IDC_THREADLABEL));
    m_pMonitor->CreateColumns();
    if (CWnd* log = GetDlgItem(IDC_LOG)) log->SendMessage(kEmSetLimitText, kEditMaximumText);
    ResetOptionFlags();
    ReadConfigFile();
    if (g_bTest) ShowToolButtons(true);
    m_nSelType = 0;
    m_nSelPID = 0;
    m_nRefreshTimer = SetTimer(kRefreshTimerId, kRefreshPeriodMs);
    m_nBannerTimer = SetTimer(kBannerTimerId, kBannerPeriodMs);
    m_pMonitor->FillProcessList();
    m_bTracing = false;
    CheckDlgButton(IDC_STATONLY, kBstChecked);
    g_bStatOnly = IsDlgButtonChecked(IDC_STATONLY) == kBstChecked;
    return EnableDebugPrivilege(Platform().GetCurrentProcess(), true);
}

void CVellocDlg::OnOK() {}

void CVellocDlg::ShowToolButtons(bool show) {
    for (const int id : kToolButtons) {
        if (CWnd* button = GetDlgItem(id)) button->ShowWindow(show);
    }
}

void CVellocDlg::SetTraceControls(bool tracing) {
    for (const int id : kTraceControls) {
        if (CWnd* control = GetDlgItem(id)) control->EnableWindow(tracing);
    }
    if (CWnd* trace = GetDlgItem(IDC_TRACE)) trace->EnableWindow(!tracing);
}

void CVellocDlg::OnTimer(uintptr_t id) {
    if (id == m_nRefreshTimer && m_pMonitor) {
        m_pMonitor->RefreshProcessList();
        m_pMonitor->RefreshThreadList();
    }
    if (id == m_nBannerTimer) SetWindowText(m_banner.Step());
}

void CVellocDlg::OnTrace() {
    if (m_bTracing) return;
    m_pTracer = StartTraceSession(m_nSelPID, m_nSelTID);
    if (m_pTracer == nullptr) return;
    SetTraceControls(true);
    m_bTracing = true;
}

// The wait keeps handling the messages the tracer sends to this window, so a
// line it is appending at that moment can't deadlock the stop.
void CVellocDlg::StopTrace() {
    if (!m_bTracing) return;
    m_bTracing = false;
    StopTraceSession(m_pTracer);
    m_pTracer = nullptr;
    SetTraceControls(false);
}

void CVellocDlg::OnStop() { StopTrace(); }

void CVellocDlg::OnExit() {
    StopTrace();
    EndDialog(kIdCancel);
}

void CVellocDlg::OnStatOnly() { g_bStatOnly = IsDlgButtonChecked(IDC_STATONLY) == kBstChecked; }

void CVellocDlg::OnProcessListClick(const ListNotify&, LResult& result) { result = 0; }

void CVellocDlg::OnProcessSelected(const ListNotify& notify, LResult& result) {
    result = m_pMonitor->OnProcessItemChanged(notify);
    TakeSelection();
}

void CVellocDlg::OnThreadSelected(const ListNotify& notify, LResult& result) {
    result = m_pMonitor->OnThreadItemChanged(notify);
    TakeSelection();
}

void CVellocDlg::TakeSelection() {
    m_nSelPID = m_pMonitor->m_nSelPID;
    m_nSelTID = m_pMonitor->m_nSelTID;
    m_nSelType = m_pMonitor->m_nSelType;
}

// Framework errors while appending are the window's business, not the
// tracer's: they end here.
LResult CVellocDlg::OnAsyncLogMessage(WParam wParam, LParam lParam) {
    try {
        return OnAsyncLog(this, wParam, lParam);
    } catch (const std::exception&) {
        return 0;
    }
}

LResult CVellocDlg::OnDirectLogMessage(WParam wParam, LParam lParam) {
    try {
        return OnDirectLog(this, wParam, lParam);
    } catch (const std::exception&) {
        return 0;
    }
}

}  // namespace qv
