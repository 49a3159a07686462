// Kill, Suspend and Resume of the real dialog under Wine, on a second demo
// server started for the test and worked by window messages only: each
// confirmation answered through its message box (Cancel leaves the target
// untouched), the suspend counts of the target's threads read from here as
// they go up and come back, a thread and then the process killed, and on
// what has ended every button shows its "Error" box and nothing else. Then
// the About box opens and closes, and Exit ends the program.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/DialogSession.h"

namespace {

constexpr int kBoxMs = 10000;
constexpr int kChangeMs = 10000;
constexpr DWORD kStillActive = 259;
constexpr DWORD kKilledThreadExitCode = 1;

// Shown in test mode; ReLoad shown but still disabled.
const int kToolButtons[] = {IDC_KILL,   IDC_RESUME, IDC_SUSPEND, IDC_GETSTACKS, IDC_IMPORTTABLE,
                            IDC_EXPORTTABLE, IDC_RELOAD, IDC_ABOUT,   IDC_JOKE,      IDC_TEST};

std::vector<DWORD> ThreadsOf(DWORD processId) {
    std::vector<DWORD> threads;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return threads;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == processId) threads.push_back(entry.th32ThreadID);
    }
    CloseHandle(snapshot);
    return threads;
}

// A thread's suspend count, read by suspending it once more (the call
// returns the previous count) and resuming it; -1 when it can't be opened.
long SuspendCount(DWORD threadId) {
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId);
    if (thread == nullptr) return -1;
    const DWORD previous = SuspendThread(thread);
    if (previous != static_cast<DWORD>(-1)) ResumeThread(thread);
    CloseHandle(thread);
    return previous == static_cast<DWORD>(-1) ? -1 : static_cast<long>(previous);
}

// Waits until each thread's suspend count is the one given for it.
bool CountsBecome(const std::vector<DWORD>& threads, const std::vector<long>& counts) {
    return uidriver::WaitFor(
        [&] {
            for (size_t i = 0; i < threads.size(); ++i) {
                if (SuspendCount(threads[i]) != counts[i]) return false;
            }
            return true;
        },
        kChangeMs);
}

std::vector<long> Counts(const std::vector<DWORD>& threads, long count) {
    return std::vector<long>(threads.size(), count);
}

// The one box the dialog's process shows, once it shows; nothing when none
// does or more than one.
std::optional<uidriver::OpenBox> OnlyBox(uidriver::DialogDriver& driver) {
    std::vector<uidriver::OpenBox> boxes;
    if (!uidriver::WaitFor([&] { return !(boxes = driver.Boxes()).empty(); }, kBoxMs)) return std::nullopt;
    // A second box would show at once with the first.
    Sleep(300);
    boxes = driver.Boxes();
    if (boxes.size() != 1) return std::nullopt;
    return boxes.front();
}

bool NoBox(uidriver::DialogDriver& driver) {
    return uidriver::WaitFor([&] { return driver.Boxes().empty(); }, kBoxMs);
}

// Clicks id; when question is given, the one box asks it and is answered
// with button. True when that went as said and the box closed.
bool ClickAndAnswer(uidriver::DialogDriver& driver, int id, const char* question, int button) {
    if (!driver.Click(id)) return false;
    if (question == nullptr) return true;
    const auto box = OnlyBox(driver);
    if (!box || box->text != question) {
        e2e::Note("expected the question \"%s\", got \"%s\"", question, box ? box->text.c_str() : "(no box)");
        return false;
    }
    return uidriver::DialogDriver::Press(*box, button) &&
           uidriver::WaitFor([&] { return !IsWindow(box->window); }, kBoxMs);
}

// A button on something that has ended: after its question (answered OK),
// exactly the "Error" box with failure, and the log untouched.
void CheckFailure(uidriver::DialogDriver& driver, int id, const char* question, const char* failure) {
    const std::string log = driver.Log();
    E2E_CHECK(ClickAndAnswer(driver, id, question, IDOK));
    const auto box = OnlyBox(driver);
    e2e::Note("%s: box \"%s\" \"%s\"", failure, box ? box->caption.c_str() : "", box ? box->text.c_str() : "");
    E2E_CHECK(box && box->caption == "Error" && box->text == failure);
    E2E_CHECK(box && uidriver::DialogDriver::Press(*box, IDOK) && NoBox(driver));
    E2E_CHECK(driver.Log() == log);
    E2E_CHECK(driver.AnswerTime(kBoxMs) >= 0);
}

// Each selection is told to the dialog even when the row was selected
// already, as a user's clicks elsewhere and back would.
bool SelectProcess(uidriver::DialogDriver& driver, DWORD processId) {
    return driver.ClearSelection(IDC_PROCESSLIST) && driver.SelectRow(IDC_PROCESSLIST, std::to_string(processId), kChangeMs);
}

// The thread list shows the threads of the selected process.
bool SelectThread(uidriver::DialogDriver& driver, DWORD threadId) {
    return driver.ClearSelection(IDC_THREADLIST) && driver.SelectRow(IDC_THREADLIST, std::to_string(threadId), kChangeMs);
}

void CheckSuspendResume(uidriver::DialogDriver& driver, DWORD processId) {
    const std::vector<DWORD> threads = ThreadsOf(processId);
    E2E_CHECK(threads.size() >= 2);
    E2E_CHECK(CountsBecome(threads, Counts(threads, 0)));

    // The process: every thread once.
    E2E_CHECK(SelectProcess(driver, processId));
    E2E_CHECK(ClickAndAnswer(driver, IDC_SUSPEND, "Do you really want to suspend the process?", IDCANCEL));
    Sleep(500);
    E2E_CHECK(CountsBecome(threads, Counts(threads, 0)));
    E2E_CHECK(ClickAndAnswer(driver, IDC_SUSPEND, "Do you really want to suspend the process?", IDOK));
    E2E_CHECK(CountsBecome(threads, Counts(threads, 1)));
    E2E_CHECK(ClickAndAnswer(driver, IDC_SUSPEND, "Do you really want to suspend the process?", IDOK));
    E2E_CHECK(CountsBecome(threads, Counts(threads, 2)));
    // Resuming asks nothing; twice suspended needs two.
    E2E_CHECK(ClickAndAnswer(driver, IDC_RESUME, nullptr, IDOK));
    E2E_CHECK(CountsBecome(threads, Counts(threads, 1)));
    E2E_CHECK(ClickAndAnswer(driver, IDC_RESUME, nullptr, IDOK));
    E2E_CHECK(CountsBecome(threads, Counts(threads, 0)));
    E2E_CHECK(driver.Boxes().empty());

    // One thread of it: only that one.
    const DWORD chosen = threads.back();
    std::vector<long> one = Counts(threads, 0);
    one.back() = 1;
    E2E_CHECK(SelectThread(driver, chosen));
    E2E_CHECK(ClickAndAnswer(driver, IDC_SUSPEND, "Do you really want to suspend the thread?", IDCANCEL));
    Sleep(500);
    E2E_CHECK(CountsBecome(threads, Counts(threads, 0)));
    E2E_CHECK(ClickAndAnswer(driver, IDC_SUSPEND, "Do you really want to suspend the thread?", IDOK));
    E2E_CHECK(CountsBecome(threads, one));
    E2E_CHECK(ClickAndAnswer(driver, IDC_RESUME, nullptr, IDOK));
    E2E_CHECK(CountsBecome(threads, Counts(threads, 0)));
}

// A button's question (none for Resume) and its failure text.
struct Failure {
    int button;
    const char* question;
    const char* text;
};
const Failure kThreadFailures[] = {
    {IDC_SUSPEND, "Do you really want to suspend the thread?", "Suspend thread failed!"},
    {IDC_RESUME, nullptr, "Resume thread failed!"},
    {IDC_KILL, "Do you really want to kill the thread?", "Kill thread failed!"},
};
const Failure kProcessFailures[] = {
    {IDC_KILL, "Do you really want to kill the process?", "Kill process failed!"},
    {IDC_SUSPEND, "Do you really want to suspend the process?", "Suspend process failed!"},
    {IDC_RESUME, nullptr, "Resume process failed!"},
};

// Kill on the selection: Cancel leaves object running, OK ends it with
// code. Closes object.
void CheckKill(uidriver::DialogDriver& driver, HANDLE object, const char* question, DWORD code,
               BOOL(WINAPI* exitCodeOf)(HANDLE, LPDWORD)) {
    E2E_CHECK(object != nullptr);
    E2E_CHECK(ClickAndAnswer(driver, IDC_KILL, question, IDCANCEL));
    E2E_CHECK(WaitForSingleObject(object, 500) == WAIT_TIMEOUT);
    E2E_CHECK(ClickAndAnswer(driver, IDC_KILL, question, IDOK));
    E2E_CHECK(WaitForSingleObject(object, kChangeMs) == WAIT_OBJECT_0);
    DWORD ended = 0;
    E2E_CHECK(exitCodeOf(object, &ended) && ended == code);
    CloseHandle(object);
}

// Kills one worker thread, then everything on that thread fails; the
// process runs on.
void CheckKillThread(uidriver::DialogDriver& driver, e2e::DemoServer& victim) {
    const std::vector<DWORD> threads = ThreadsOf(victim.Pid());
    E2E_CHECK(!threads.empty());
    const DWORD chosen = threads.empty() ? 0 : threads.back();
    E2E_CHECK(SelectProcess(driver, victim.Pid()) && SelectThread(driver, chosen));
    CheckKill(driver, OpenThread(SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION, FALSE, chosen),
              "Do you really want to kill the thread?", kKilledThreadExitCode, &GetExitCodeThread);
    E2E_CHECK(victim.IsRunning());
    for (const Failure& failure : kThreadFailures) CheckFailure(driver, failure.button, failure.question, failure.text);
}

// Kills the process (it ends with the still-active code it had), then
// everything on it fails.
void CheckKillProcess(uidriver::DialogDriver& driver, e2e::DemoServer& victim) {
    E2E_CHECK(SelectProcess(driver, victim.Pid()));
    CheckKill(driver, OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, victim.Pid()),
              "Do you really want to kill the process?", kStillActive, &GetExitCodeProcess);
    // The last handle of this program goes too: what is left of the process
    // is whatever the dialog itself still holds.
    victim.Kill();
    for (const Failure& failure : kProcessFailures) {
        CheckFailure(driver, failure.button, failure.question, failure.text);
    }
}

void CheckAbout(uidriver::DialogDriver& driver) {
    E2E_CHECK(driver.Click(IDC_ABOUT));
    const auto box = OnlyBox(driver);
    E2E_CHECK(box && box->caption == "About");
    const std::vector<std::string> texts = box ? uidriver::DialogDriver::ControlTexts(*box) : std::vector<std::string>();
    E2E_CHECK(std::find(texts.begin(), texts.end(), "Quorvane 0.99") != texts.end());
    E2E_CHECK(std::find(texts.begin(), texts.end(), "OK") != texts.end());
    E2E_CHECK(box && uidriver::DialogDriver::Press(*box, IDOK_ABOUT) && NoBox(driver));
    E2E_CHECK(driver.AnswerTime(kBoxMs) >= 0);
}

}  // namespace

int main() {
    e2e::DemoServer victim;
    if (!victim.Start()) {
        E2E_CHECK(!"the demo server started");
        return e2e::Checks().Finish("e2e_dialog_control");
    }
    e2e::DialogSession dialog;
    if (!dialog.Start("e2e_dialog_control", "", "[TEST]=ON\r\n")) {
        E2E_CHECK(!"the dialog showed");
        return e2e::Checks().Finish("e2e_dialog_control");
    }
    uidriver::DialogDriver& driver = dialog.Driver();
    for (int id : kToolButtons) E2E_CHECK(driver.IsVisible(id));
    E2E_CHECK(!driver.IsEnabled(IDC_RELOAD) && driver.IsEnabled(IDC_KILL));

    CheckSuspendResume(driver, victim.Pid());
    CheckKillThread(driver, victim);
    CheckKillProcess(driver, victim);
    CheckAbout(driver);
    E2E_CHECK(dialog.Exit() == 0);
    return e2e::Checks().Finish("e2e_dialog_control");
}
