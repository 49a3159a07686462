// Kill, Suspend and Resume on the process or the thread selected last, with
// their confirmations and failure boxes.
#include "ui/ProcessControl.h"
#include "ui/VellocDlg.h"

namespace qv {

struct ControlAction {
    const char* question;  // null: no confirmation
    bool (*operation)(uint32_t id);
    const char* failure;
};

// For one button: the process form, then the thread form.
struct ControlButton {
    ControlAction process;
    ControlAction thread;
};

namespace {

constexpr ControlButton kKill{
    {"Do you really want to kill the process?", &KillProcess, "Kill process failed!"},
    {"Do you really want to kill the thread?", &KillThread, "Kill thread failed!"},
};
constexpr ControlButton kSuspend{
    {"Do you really want to suspend the process?", &SuspendProcess, "Suspend process failed!"},
    {"Do you really want to suspend the thread?", &SuspendThreadById, "Suspend thread failed!"},
};
constexpr ControlButton kResume{
    {nullptr, &ResumeProcess, "Resume process failed!"},
    {nullptr, &ResumeThreadById, "Resume thread failed!"},
};

}  // namespace

void CVellocDlg::Act(const ControlButton& button) {
    const ControlAction* action = nullptr;
    uint32_t id = 0;
    if (m_nSelType == kSelectedProcess) {
        action = &button.process;
        id = m_nSelPID;
    } else if (m_nSelType == kSelectedThread) {
        action = &button.thread;
        id = m_nSelTID;
    } else {
        return;
    }
    if (action->question != nullptr && MessageBox(action->question, nullptr, kMbOkCancel) != kIdOk) return;
    if (!action->operation(id)) qv::MessageBox(nullptr, action->failure, "Error", kMbOk);
}

void CVellocDlg::OnKill() { Act(kKill); }
void CVellocDlg::OnSuspend() { Act(kSuspend); }
void CVellocDlg::OnResume() { Act(kResume); }

}  // namespace qv
