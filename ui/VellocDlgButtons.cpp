// The buttons that act on the running trace or on the selected process's
// file: Report, Clean Stat, ReLoad, TEST, GetStacks, ImportTable,
// ExportTable, and the console's Disassemble.
#include <optional>
#include <string>

#include "core/TargetAccess.h"
#include "core/TraceLog.h"
#include "peinfo/FileListings.h"
#include "symbols/ExportLookup.h"
#include "tracer/CallStacks.h"
#include "tracer/DeamonThread.h"
#include "tracer/Statistics.h"
#include "ui/Resource.h"
#include "ui/VellocDlg.h"
#include "ui/console/CommandConsole.h"

namespace qv {

namespace {

// A fixed address the developer's probe looks up.
constexpr uint64_t kProbeAddress = 0x049AF8C0;

}  // namespace

void CVellocDlg::OnReport() { ReportStatistics(m_pTracer, this); }

void CVellocDlg::OnCleanStat() { ClearStatistics(m_pTracer); }

void CVellocDlg::OnReload() {
    if (m_bTracing) m_pTracer->ReloadTracePoints();
}

// The name found is not shown: the probe exercises the lookups while a trace
// runs and marks its end in the log.
void CVellocDlg::OnTest() {
    if (!m_bTracing) return;
    {
        TableLock lock(*m_pTracer);
        const int32_t index = m_pTracer->m_arrModules.FindModuleByAddress(kProbeAddress);
        std::optional<std::string> name;
        if (index >= 0) {
            const MODULEINFOEX& module = m_pTracer->m_arrModules.GetAt(index);
            name = m_pTracer->ResolveSymbol(module.nBase, module.pszName, kProbeAddress, nullptr);
        } else {
            name = m_pTracer->ResolveSymbol(0, "", kProbeAddress, nullptr);
            if (!name) name = GetExportModuleName(kProbeAddress);
        }
    }
    WriteLog(kLogToWindow, false, true, this, "4");
}

// The selected thread's frame-pointer chain, without limit: through the
// tracer's modules and symbols while it traces the selected process.
void CVellocDlg::OnGetStacks() {
    if (!m_bTracing) {
        LogCallStacks(m_nSelPID, m_nSelTID, true, this, -1);
        return;
    }
    const bool tracedProcess = m_nSelPID == m_pTracer->m_nProcessId;
    m_pTracer->LogThreadCallStacks(0, tracedProcess ? m_nSelTID : 0, -1);
}

void CVellocDlg::ExecuteCommand() {
    CWnd* box = GetDlgItem(IDC_COMMAND);
    if (box == nullptr) return;
    ExecuteConsoleCommand(box->GetWindowText(),
                          ConsoleSession{m_bTracing ? m_pTracer : nullptr, this,
                                         [this](bool show) { ShowToolButtons(show); }});
}

void CVellocDlg::ListModuleFunctions(void (*listing)(const std::string& path, CWnd* window)) {
    std::string path;
    if (!GetProcessImagePath(m_nSelPID, path, kMaxPathChars)) return;
    listing(path, this);
}

void CVellocDlg::OnImportTable() { ListModuleFunctions(&ListImportFunctions); }
void CVellocDlg::OnExportTable() { ListModuleFunctions(&ListExportFunctions); }

}  // namespace qv
