#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "core/OptionFlags.h"
#include "core/TraceLog.h"
#include "tests/support/PeBuilder.h"
#include "tests/unit/ui/DialogFixture.h"
#include "ui/VellocApp.h"

namespace qv::test {
namespace {

using sim::SimCall;

constexpr const char* kComplete = "Initializing complete!\r\n";

// Every control whose state the trace machine or the test option changes.
constexpr std::array kToolButtons{IDC_KILL,        IDC_RESUME, IDC_SUSPEND, IDC_GETSTACKS, IDC_IMPORTTABLE,
                                  IDC_EXPORTTABLE, IDC_RELOAD, IDC_ABOUT,   IDC_JOKE,      IDC_TEST};
constexpr std::array kTraceControls{IDC_STOP, IDC_DISASSEMBLE, IDC_COMMAND, IDC_STATONLY, IDC_REPORT, IDC_CLEANSTAT};
constexpr std::array kAlwaysOn{IDC_EXIT, IDC_PROCESSLIST, IDC_THREADLIST, IDC_LOG, IDC_PROCESSLABEL, IDC_THREADLABEL};

class MainDialogTest : public DialogFixture {
protected:
    void SetUp() override {
        DialogFixture::SetUp();
        PeBuilder dll;
        dll.ImageBase(kDllBase).DllName("helper.dll");
        m_codeRva = dll.AddSection(".text", PeBuilder::kCode, std::vector<uint8_t>(32, 0x90));
        dll.AddExport("Alpha", m_codeRva).AddExport("Beta", m_codeRva + 0x10);
        const auto path = m_machine->HostPath("C:\\app\\helper.dll");
        std::filesystem::create_directories(path.parent_path());
        dll.WriteTo(path);
        PeBuilder exe;
        exe.AddSection(".text", PeBuilder::kCode, {0xC3});
        exe.WriteTo(path.parent_path() / "server.exe");
        m_machine->SetImageSearchPath({"C:\\app"});
        m_pid = m_machine->CreateProcess("C:\\app\\server.exe");
        m_machine->LoadModule(m_pid, "C:\\app\\helper.dll", kDllBase);
    }

    uint64_t Alpha() const { return kDllBase + m_codeRva; }
    uint64_t Beta() const { return kDllBase + m_codeRva + 0x10; }
    static SimCall CallTo(uint64_t function) {
        SimCall call;
        call.function = function;
        return call;
    }
    uint8_t Byte(uint64_t address) { return m_machine->PeekMemory(m_pid, address, 1)[0]; }

    // Trace on the server, up to the armed trace points.
    void StartTrace() {
        m_dialog->m_nSelPID = m_pid;
        const size_t from = Log().size();
        ASSERT_TRUE(Click(IDC_TRACE));
        ASSERT_TRUE(PumpMessagesUntil([&] { return Log().find(kComplete, from) != std::string::npos; }, 20000))
            << Log();
    }

    template <size_t N>
    void ExpectEnabled(const std::array<int, N>& ids, bool enabled, const char* when) {
        for (const int id : ids) EXPECT_EQ(Control(id).IsWindowEnabled(), enabled) << "control " << id << " " << when;
    }
    template <size_t N>
    void ExpectVisible(const std::array<int, N>& ids, bool visible, const char* when) {
        for (const int id : ids) EXPECT_EQ(Control(id).IsWindowVisible(), visible) << "control " << id << " " << when;
    }
    void ExpectIdle(const char* when) {
        ExpectEnabled(kTraceControls, false, when);
        EXPECT_FALSE(Control(IDC_RELOAD).IsWindowEnabled()) << when;
        EXPECT_TRUE(Control(IDC_TRACE).IsWindowEnabled()) << when;
        ExpectVisible(kTraceControls, true, when);
        ExpectEnabled(kAlwaysOn, true, when);
        ExpectVisible(kAlwaysOn, true, when);
        EXPECT_FALSE(m_dialog->m_bTracing) << when;
        EXPECT_EQ(m_dialog->m_pTracer, nullptr) << when;
    }
    void ExpectTracing(const char* when) {
        ExpectEnabled(kTraceControls, true, when);
        EXPECT_TRUE(Control(IDC_RELOAD).IsWindowEnabled()) << when;
        EXPECT_FALSE(Control(IDC_TRACE).IsWindowEnabled()) << when;
        ExpectEnabled(kAlwaysOn, true, when);
        EXPECT_TRUE(m_dialog->m_bTracing) << when;
        EXPECT_NE(m_dialog->m_pTracer, nullptr) << when;
    }

    static constexpr uint64_t kDllBase = 0x180000000;
    uint32_t m_codeRva = 0;
    uint32_t m_pid = 0;
};

TEST_F(MainDialogTest, InitialisationLeavesTheWindowReadyForATraceInCountingMode) {
    g_bDebug = true;  // left over from before: the initialisation switches every flag off
    OpenDialog();
    EXPECT_EQ(Window().Icon(true), static_cast<IconHandle>(IDR_MAINFRAME));
    EXPECT_EQ(Window().Icon(false), static_cast<IconHandle>(IDR_MAINFRAME));
    EXPECT_EQ(Window().TimerPeriod(m_dialog->m_nRefreshTimer), 1000u);
    EXPECT_EQ(Window().TimerPeriod(m_dialog->m_nBannerTimer), 50u);
    EXPECT_NE(m_dialog->m_nRefreshTimer, m_dialog->m_nBannerTimer);
    EXPECT_EQ(Control(IDC_STATONLY).SendMessage(kBmGetCheck), kBstChecked);
    EXPECT_TRUE(g_bStatOnly);
    EXPECT_FALSE(g_bDebug || g_bTest || g_bDetail || g_bDetectRet || g_bAsynMsg || g_bNonZeroRpt);
    EXPECT_TRUE(m_machine->DebugPrivilegeEnabled());
    EXPECT_EQ(m_dialog->GetWindowText(), "Velloc");
    ExpectVisible(kToolButtons, false, "at start");
    ExpectIdle("at start");
    EXPECT_EQ(m_dialog->m_nSelType, 0);
    EXPECT_EQ(m_dialog->m_nSelPID, 0u);

    // Only Trace and Exit answer a click before a trace starts.
    for (const ControlTemplate& control : m_dialog->Template().controls) {
        if (control.id == IDC_TRACE || control.id == IDC_EXIT) continue;
        if (control.kind != ControlKind::PushButton && control.kind != ControlKind::CheckBox) continue;
        EXPECT_FALSE(Click(control.id)) << "control " << control.id;
    }
    EXPECT_EQ(Log(), "");
}

TEST_F(MainDialogTest, TestOptionShowsTheTenToolButtonsButLeavesReloadDisabled) {
    WriteFile("C:\\Config.ini", "[TEST]=ON\r\n");
    OpenDialog();
    EXPECT_TRUE(g_bTest);
    ExpectVisible(kToolButtons, true, "in test mode");
    EXPECT_FALSE(Control(IDC_RELOAD).IsWindowEnabled());
    ExpectIdle("in test mode");
    m_dialog->ShowToolButtons(false);
    ExpectVisible(kToolButtons, false, "after hiding");
}

TEST_F(MainDialogTest, TraceStopTraceAgainAndExitWalkTheControlStates) {
    WriteFile("C:\\TracePoints.txt", "helper.dll!Alpha\r\n");
    OpenDialog();
    StartTrace();
    ExpectTracing("during the first trace");
    EXPECT_EQ(m_dialog->m_pTracer->m_nProcessId, m_pid);
    EXPECT_EQ(Byte(Alpha()), 0xCC);
    EXPECT_FALSE(Click(IDC_TRACE));

    ASSERT_TRUE(Click(IDC_STOP));
    ExpectIdle("after Stop");
    EXPECT_EQ(Byte(Alpha()), 0x90);
    EXPECT_FALSE(m_machine->IsBeingDebugged(m_pid));
    EXPECT_FALSE(Click(IDC_STOP));
    EXPECT_EQ(Control(IDC_STATONLY).SendMessage(kBmGetCheck), kBstChecked);

    // A fresh tracer: it attaches and arms again.
    StartTrace();
    ExpectTracing("during the second trace");
    EXPECT_EQ(Byte(Alpha()), 0xCC);

    ASSERT_TRUE(Click(IDC_EXIT));
    EXPECT_TRUE(Window().IsEnded());
    EXPECT_EQ(Window().Result(), kIdCancel);
    EXPECT_FALSE(m_dialog->m_bTracing);
    EXPECT_EQ(m_dialog->m_pTracer, nullptr);
    EXPECT_EQ(Byte(Alpha()), 0x90);
    EXPECT_FALSE(m_machine->IsBeingDebugged(m_pid));
    EXPECT_TRUE(m_machine->IsProcessAlive(m_pid));
}

TEST_F(MainDialogTest, TheCloseBoxStopsTheTraceAndClosesLikeExit) {
    WriteFile("C:\\TracePoints.txt", "helper.dll!Beta\r\n");
    OpenDialog();
    StartTrace();
    Window().Close();
    EXPECT_TRUE(Window().IsEnded());
    EXPECT_EQ(Window().Result(), kIdCancel);
    EXPECT_EQ(Byte(Beta()), 0x90);
    EXPECT_FALSE(m_machine->IsBeingDebugged(m_pid));
}

TEST_F(MainDialogTest, TraceWithNothingSelectedTargetsProcessZero) {
    OpenDialog();
    m_dialog->m_nSelTID = 0;
    ASSERT_TRUE(Click(IDC_TRACE));
    ASSERT_NE(m_dialog->m_pTracer, nullptr);
    EXPECT_EQ(m_dialog->m_pTracer->m_nProcessId, 0u);
    EXPECT_EQ(m_dialog->m_pTracer->m_nThreadId, 0u);
    EXPECT_FALSE(m_dialog->m_pTracer->m_bAutoDelete);
    ASSERT_TRUE(Click(IDC_STOP));
    ExpectIdle("after stopping a failed attach");
}

TEST_F(MainDialogTest, StatOnlyFollowsTheCheckBoxAndSurvivesTheNextTrace) {
    OpenDialog();
    StartTrace();
    ASSERT_TRUE(Click(IDC_STATONLY));
    EXPECT_FALSE(g_bStatOnly);
    ASSERT_TRUE(Click(IDC_STOP));
    StartTrace();
    EXPECT_EQ(Control(IDC_STATONLY).SendMessage(kBmGetCheck), kBstUnchecked);
    EXPECT_FALSE(g_bStatOnly);
    ASSERT_TRUE(Click(IDC_STATONLY));
    EXPECT_TRUE(g_bStatOnly);
}

TEST_F(MainDialogTest, TestProbeWritesItsMarkOnlyWhileATraceRuns) {
    WriteFile("C:\\Config.ini", "[TEST]=ON\n");
    OpenDialog();
    ASSERT_TRUE(Click(IDC_TEST));
    EXPECT_EQ(Log(), "");
    StartTrace();
    const std::string before = Log();
    ASSERT_TRUE(Click(IDC_TEST));
    EXPECT_EQ(Log(), before + "4");
}

TEST_F(MainDialogTest, ReloadTakesAChangedTracePointFileWithoutDetaching) {
    WriteFile("C:\\TracePoints.txt", "helper.dll!Alpha\r\n");
    WriteFile("C:\\Config.ini", "[TEST]=ON\n");
    OpenDialog();
    StartTrace();
    EXPECT_EQ(Byte(Alpha()), 0xCC);
    WriteFile("C:\\TracePoints.txt", "helper.dll!Beta\r\n");
    ASSERT_TRUE(Click(IDC_RELOAD));
    EXPECT_EQ(Byte(Alpha()), 0x90);
    EXPECT_EQ(Byte(Beta()), 0xCC);
    EXPECT_TRUE(m_machine->IsBeingDebugged(m_pid));
    ASSERT_TRUE(Click(IDC_STOP));
    EXPECT_EQ(Byte(Beta()), 0x90);
}

TEST_F(MainDialogTest, ReportAndCleanStatCountTheHitsOfTheRunningTrace) {
    WriteFile("C:\\TracePoints.txt", "helper.dll!Alpha\r\n");
    OpenDialog();
    StartTrace();
    const uint32_t thread = m_machine->ThreadIds(m_pid).front();
    m_machine->ScriptCalls(thread, {CallTo(Alpha()), CallTo(Alpha()), CallTo(Alpha())});
    ASSERT_TRUE(PumpMessagesUntil([&] { return m_machine->ThreadStats(thread).callsReturned == 3; }, 20000));
    ASSERT_TRUE(Click(IDC_REPORT));
    EXPECT_NE(Log().find("\t Alpha (3)\r\nTotal: 3 \r\n"), std::string::npos) << Log();
    ASSERT_TRUE(Click(IDC_CLEANSTAT));
    ASSERT_TRUE(Click(IDC_REPORT));
    EXPECT_NE(Log().find("\t Alpha (0)\r\nTotal: 0 \r\n"), std::string::npos) << Log();
}

// The Disassemble button hands the command box's text to the console.
TEST_F(MainDialogTest, DisassembleRunsTheTextOfTheCommandBox) {
    WriteFile("C:\\TracePoints.txt", "helper.dll!Alpha\r\n");
    OpenDialog();
    StartTrace();
    Control(IDC_COMMAND).SetWindowText("$listbt$");
    ASSERT_TRUE(Click(IDC_DISASSEMBLE));
    EXPECT_NE(Log().find("#0: Alpha*0[0x80001000] () Enabled\r\n"), std::string::npos) << Log();
}

TEST_F(MainDialogTest, PostedLogLinesArriveOnceInOrderAndStaleKeysChangeNothing) {
    OpenDialog();
    g_bAsynMsg = true;
    std::thread writer([this] {
        for (const char* line : {"one\r\n", "two\r\n", "three\r\n"}) AppendLogText(m_dialog.get(), line);
    });
    writer.join();
    EXPECT_EQ(PendingLogCount(), 3u);
    const int32_t last = PendingLogSequence();
    // The first message appends everything parked, in order; the two after
    // it find their lines gone.
    EXPECT_EQ(Log(), "one\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(PendingLogCount(), 0u);
    m_dialog->SendMessage(kWmAsyncLog, 0, last);
    m_dialog->SendMessage(kWmAsyncLog, 0, last + 1000);
    EXPECT_EQ(Log(), "one\r\ntwo\r\nthree\r\n");
}

// Stop while the target hits its trace points and another thread hands the
// window line after line: the stop's wait keeps serving the sends, nothing
// written before it is lost, and nothing stays planted.
TEST_F(MainDialogTest, StopDuringHeavyLoggingNeitherDeadlocksNorLosesLines) {
    WriteFile("C:\\TracePoints.txt", "helper.dll!Alpha\r\nhelper.dll!Beta\r\n");
    constexpr int kLines = 2000;
    for (const bool posted : {false, true}) {
        OpenDialog();
        g_bAsynMsg = posted;
        g_bDetail = true;
        StartTrace();
        const uint32_t thread = m_machine->ThreadIds(m_pid).front();
        std::vector<SimCall> calls;
        for (int i = 0; i < 400; ++i) calls.push_back(CallTo(i % 2 ? Alpha() : Beta()));
        m_machine->ScriptCalls(thread, calls);
        ASSERT_TRUE(PumpMessagesUntil([&] { return m_machine->ThreadStats(thread).callsEntered >= 10; }, 20000));
        std::atomic<bool> written{false};
        std::thread writer([this, &written] {
            for (int i = 0; i < kLines; ++i) AppendLogText(m_dialog.get(), "line\r\n");
            written = true;
        });
        ASSERT_TRUE(Click(IDC_STOP));
        EXPECT_TRUE(PumpMessagesUntil([&] { return written.load(); }, 20000));
        writer.join();
        const std::string log = Log();
        size_t count = 0;
        for (size_t at = log.find("line\r\n"); at != std::string::npos; at = log.find("line\r\n", at + 1)) ++count;
        EXPECT_EQ(count, static_cast<size_t>(kLines)) << (posted ? "posted" : "direct");
        ExpectIdle(posted ? "after a posted-mode stop" : "after a direct-mode stop");
        EXPECT_EQ(Byte(Alpha()), 0x90);
        EXPECT_EQ(Byte(Beta()), 0x90);
        EXPECT_FALSE(m_machine->IsBeingDebugged(m_pid));
        m_machine->RunUntilIdle(m_pid);
        EXPECT_TRUE(m_machine->IsProcessAlive(m_pid));
        CloseDialog();
    }
}

int RowOf(const CListCtrl& list, uint32_t id) {
    for (int row = 0; row < list.GetItemCount(); ++row) {
        if (list.GetItemText(row, 0) == std::to_string(id)) return row;
    }
    return -1;
}

TEST_F(MainDialogTest, SelectingTheServersRowsChoosesWhatTraceAndTheButtonsActOn) {
    const uint32_t worker = m_machine->CreateThread(m_pid);
    OpenDialog();
    const int row = RowOf(m_dialog->m_lstProcess, m_pid);
    ASSERT_GE(row, 0);
    Window().ListView(IDC_PROCESSLIST)->ClickItem(row);
    EXPECT_EQ(m_dialog->m_nSelPID, m_pid);
    EXPECT_EQ(m_dialog->m_nSelType, 1);
    const int threadRow = RowOf(m_dialog->m_lstThread, worker);
    ASSERT_GE(threadRow, 0);
    Window().ListView(IDC_THREADLIST)->ClickItem(threadRow);
    EXPECT_EQ(m_dialog->m_nSelTID, worker);
    EXPECT_EQ(m_dialog->m_nSelType, 2);

    ASSERT_TRUE(Click(IDC_TRACE));
    EXPECT_EQ(m_dialog->m_pTracer->m_nProcessId, m_pid);
    EXPECT_EQ(m_dialog->m_pTracer->m_nThreadId, worker);
    // Stop at once, while the attach may still be under way: it ends, detached.
    ASSERT_TRUE(Click(IDC_STOP));
    EXPECT_FALSE(m_machine->IsBeingDebugged(m_pid));

    // The one-second timer brings a process that started since into the list.
    const uint32_t later = m_machine->CreateBareProcess("later.exe");
    EXPECT_LT(RowOf(m_dialog->m_lstProcess, later), 0);
    Window().FireTimer(m_dialog->m_nRefreshTimer);
    EXPECT_GE(RowOf(m_dialog->m_lstProcess, later), 0);
}

TEST_F(MainDialogTest, TheApplicationRunsTheDialogAsItsMainWindowUntilExit) {
    CWnd* mainDuringRun = nullptr;
    SetDialogOpenHandler([&](CDialog& dialog) {
        mainDuringRun = AfxGetMainWnd();
        dialog.PostMessage(kWmCommand, MakeCommand(IDC_EXIT, kBnClicked));
    });
    CVellocApp application;
    EXPECT_STREQ(AfxGetAppName(), "Quorvane");
    EXPECT_TRUE(application.InitInstance());
    EXPECT_NE(mainDuringRun, nullptr);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

}  // namespace
}  // namespace qv::test
