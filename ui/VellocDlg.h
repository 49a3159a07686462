// The main window: the process and thread lists, the trace buttons, the log
// and the option flags. It owns the tracer of the running trace, which it
// creates on Trace and deletes on Stop, Exit or close.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "monitor/ProcessMonitor.h"
#include "monitor/SortList.h"
#include "ui/Banner.h"

namespace qv {

class CDeamonThread;
struct ControlButton;

class CVellocDlg : public CDialog {
public:
    explicit CVellocDlg(CWnd* parent = nullptr);
    ~CVellocDlg() override;

    bool OnInitDialog() override;
    void DoDataExchange() override;
    bool OnWndMsg(uint32_t message, WParam wParam, LParam lParam, LResult& result) override;
    // Enter in an edit box must not close the window past StopTrace.
    void OnOK() override;

    void ShowToolButtons(bool show);
    void StopTrace();

    IconHandle m_hIcon;
    uintptr_t m_nRefreshTimer = 0;
    uintptr_t m_nBannerTimer = 0;
    bool m_bTracing = false;
    CDeamonThread* m_pTracer = nullptr;
    // The two lists, their rows and samples, and the machine's processor
    // count (its m_arrProcess, m_arrThread and m_SysInfo).
    std::unique_ptr<CProcessMonitor> m_pMonitor;
    CSortList m_lstProcess;
    CSortList m_lstThread;
    uint32_t m_nSelPID = 0;
    uint32_t m_nSelTID = 0;
    int32_t m_nSelType = 0;

private:
    static std::span<const MessageMapEntry<CVellocDlg>> MessageMap();

    void OnTimer(uintptr_t id);
    void OnTrace();
    void OnStop();
    void OnExit();
    void OnTest();
    void OnImportTable();
    void OnExportTable();
    void OnReload();
    void OnStatOnly();
    void OnReport();
    void OnCleanStat();
    void OnKill();
    void OnSuspend();
    void OnResume();
    void OnAbout();
    void OnJoke();
    void OnProcessListClick(const ListNotify& notify, LResult& result);
    void OnProcessSelected(const ListNotify& notify, LResult& result);
    void OnThreadSelected(const ListNotify& notify, LResult& result);
    // The selection members follow the monitor's after a list selection.
    void TakeSelection();
    LResult OnAsyncLogMessage(WParam wParam, LParam lParam);
    LResult OnDirectLogMessage(WParam wParam, LParam lParam);
    void OnGetStacks();
    // The console: interprets the text of the command box.
    void ExecuteCommand();

    // Enables the controls of a running trace, or of an idle window.
    void SetTraceControls(bool tracing);
    void Act(const ControlButton& button);
    void ListModuleFunctions(void (*listing)(const std::string& path, CWnd* window));

    CaptionBanner m_banner;
};

}  // namespace qv
