#include "framework/headless/HeadlessDialog.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "framework/ListCtrl.h"
#include "framework/headless/MessageQueue.h"

namespace qv {

namespace {

std::mutex g_openHandlerMutex;
DialogOpenHandler g_openHandler;

CHeadlessWnd::Kind KindOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::CheckBox:
        return CHeadlessWnd::Kind::CheckBox;
    case ControlKind::Edit:
    case ControlKind::MultiLineEdit:
        return CHeadlessWnd::Kind::Edit;
    default:
        return CHeadlessWnd::Kind::Plain;
    }
}

}  // namespace

// The in-memory dialog window; what it doesn't handle itself goes to the
// dialog's WindowProc, on the owner thread.
class CHeadlessDialogWindow::Host : public CHeadlessWnd {
public:
    explicit Host(CHeadlessDialogWindow& owner) : m_owner(owner) {}

    LResult WindowProc(uint32_t message, WParam wParam, LParam lParam) override {
        if (message == kWmSetIcon) {
            const IconHandle previous = m_icons[wParam];
            m_icons[wParam] = static_cast<IconHandle>(lParam);
            return static_cast<LResult>(previous);
        }
        return m_owner.m_dialog.WindowProc(message, wParam, lParam);
    }

    std::map<WParam, IconHandle> m_icons;

private:
    CHeadlessDialogWindow& m_owner;
};

CHeadlessDialogWindow::CHeadlessDialogWindow(CDialog& dialog, const DialogTemplate& dialogTemplate)
    : m_dialog(dialog), m_template(dialogTemplate), m_host(std::make_unique<Host>(*this)) {
    m_host->SetWindowText(dialogTemplate.caption);
    for (const ControlTemplate& control : dialogTemplate.controls) {
        CHeadlessWnd& added = m_host->AddControl(control.id, KindOf(control.kind));
        added.SetWindowText(control.text);
        added.ShowWindow(control.visible);
        added.EnableWindow(control.enabled);
    }
}

CHeadlessDialogWindow::~CHeadlessDialogWindow() = default;

// The initialisation's result only chooses the focus, which has no meaning
// here.
bool CHeadlessDialogWindow::Create() {
    m_dialog.OnInitDialog();
    return true;
}

intptr_t CHeadlessDialogWindow::RunModal() {
    Create();
    DialogOpenHandler handler;
    {
        std::lock_guard lock(g_openHandlerMutex);
        handler = g_openHandler;
    }
    if (handler) handler(m_dialog);
    const auto queue = HeadlessMessageQueue::ForCurrentThread();
    while (!m_bEnded) {
        if (!PumpMessages()) queue->WaitForWork(5);
    }
    return m_result;
}

void CHeadlessDialogWindow::End(intptr_t result) {
    m_bEnded = true;
    m_result = result;
}

uintptr_t CHeadlessDialogWindow::SetTimer(uintptr_t id, uint32_t milliseconds) {
    if (id == 0) return 0;
    m_timers[id] = milliseconds;
    return id;
}

bool CHeadlessDialogWindow::KillTimer(uintptr_t id) { return m_timers.erase(id) > 0; }

void CHeadlessDialogWindow::BindListControl(int id, CListCtrl& control) {
    auto view = std::make_unique<CHeadlessListView>(&m_dialog, id);
    m_listViews[id] = view.get();
    control.Attach(std::move(view));
}

CHeadlessListView* CHeadlessDialogWindow::ListView(int id) const {
    const auto found = m_listViews.find(id);
    return found == m_listViews.end() ? nullptr : found->second;
}

uint32_t CHeadlessDialogWindow::TimerPeriod(uintptr_t id) const {
    const auto found = m_timers.find(id);
    return found == m_timers.end() ? 0 : found->second;
}

IconHandle CHeadlessDialogWindow::Icon(bool big) const {
    const auto found = m_host->m_icons.find(big ? kIconBig : kIconSmall);
    return found == m_host->m_icons.end() ? 0 : found->second;
}

bool CHeadlessDialogWindow::Click(int id) {
    CWnd* control = GetDlgItem(id);
    if (control == nullptr || !control->IsWindowVisible() || !control->IsWindowEnabled()) return false;
    const auto item = std::find_if(m_template.controls.begin(), m_template.controls.end(),
                                   [id](const ControlTemplate& candidate) { return candidate.id == id; });
    if (item == m_template.controls.end()) return false;
    if (item->kind == ControlKind::CheckBox) {
        const bool checked = control->SendMessage(kBmGetCheck) == kBstChecked;
        control->SendMessage(kBmSetCheck, checked ? kBstUnchecked : kBstChecked);
    } else if (item->kind != ControlKind::PushButton) {
        return false;
    }
    SendMessage(kWmCommand, MakeCommand(id, kBnClicked), 0);
    return true;
}

void CHeadlessDialogWindow::FireTimer(uintptr_t id) {
    if (m_timers.count(id) != 0) SendMessage(kWmTimer, id, 0);
}

LResult CHeadlessDialogWindow::Notify(const ListNotify& notification) {
    return SendMessage(kWmNotify, notification.idFrom,
                       reinterpret_cast<LParam>(&notification));
}

void CHeadlessDialogWindow::Close() { SendMessage(kWmCommand, MakeCommand(kIdCancel, kBnClicked), 0); }

CWnd* CHeadlessDialogWindow::Target() const { return m_host.get(); }

std::unique_ptr<DialogWindow> CreateDialogWindow(CDialog& dialog, const DialogTemplate& dialogTemplate, CWnd*) {
    return std::make_unique<CHeadlessDialogWindow>(dialog, dialogTemplate);
}

CHeadlessDialogWindow& Headless(CDialog& dialog) { return static_cast<CHeadlessDialogWindow&>(*dialog.Window()); }

void SetDialogOpenHandler(DialogOpenHandler handler) {
    std::lock_guard lock(g_openHandlerMutex);
    g_openHandler = std::move(handler);
}

// Without resources, an icon is known by its id.
IconHandle LoadIconResource(int id) { return static_cast<IconHandle>(id); }

// As the edit's own messages. The in-memory edit keeps the bytes as
// given; the code page matters only where a screen shows them.
void AppendEditText(CWnd* edit, const std::string& text, uint32_t) {
    if (edit != nullptr) ReplaceEditEnd(edit, text);
}

}  // namespace qv
