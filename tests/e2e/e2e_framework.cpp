// The win32 framework backend: a message box answered by another thread the
// way a user would click it, the pumping of messages sent to this thread by
// other threads, and a CWinThread wait that keeps a worker blocked in
// SendMessage from deadlocking.
#include <atomic>
#include <thread>

#include "framework/WinThread.h"
#include "framework/Wnd.h"
#include "platform/win32/WinApi.h"
#include "platform/win32/Win32Platform.h"
#include "tests/e2e/E2eHarness.h"

namespace {

constexpr UINT kPing = WM_USER + 5;
std::atomic<int> g_pings{0};

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPing) {
        ++g_pings;
        return 42;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateProbeWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &ProbeProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QvProbe";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "QvProbe", "probe", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance,
                           nullptr);
}

// Clicks a button of the message box captioned `caption` once it shows.
std::thread Answer(const char* caption, int button) {
    return std::thread([caption, button] {
        for (int i = 0; i < 500; ++i) {
            if (HWND box = FindWindowA(nullptr, caption)) {
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                return;
            }
            Sleep(20);
        }
    });
}

void CheckMessageBoxes() {
    std::thread ok = Answer("e2e ok box", IDOK);
    E2E_CHECK(qv::MessageBox(nullptr, "Press OK", "e2e ok box", qv::kMbOk) == qv::kIdOk);
    ok.join();
    std::thread no = Answer("e2e question box", IDNO);
    E2E_CHECK(qv::MessageBox(nullptr, "Yes or no?", "e2e question box", qv::kMbYesNo | qv::kMbIconQuestion) ==
              qv::kIdNo);
    no.join();
}

void CheckPumping(HWND probe) {
    E2E_CHECK(!qv::PumpSentMessages());
    std::atomic<LRESULT> answer{0};
    std::thread sender([probe, &answer] { answer = SendMessageA(probe, kPing, 0, 0); });
    bool handled = false;
    for (int i = 0; i < 500 && !handled; ++i) {
        handled = qv::PumpSentMessages();
        if (!handled) Sleep(10);
    }
    sender.join();
    E2E_CHECK(handled && g_pings == 1 && answer == 42);
}

// A worker that sends to a window of the waiting thread, as the tracer's
// direct log appends do.
class Sender final : public qv::CWinThread {
public:
    explicit Sender(HWND target) : m_target(target) {}
    bool InitInstance() override { return true; }
    int Run() override {
        m_answer = SendMessageA(m_target, kPing, 0, 0);
        return ExitInstance();
    }
    LRESULT m_answer = 0;

private:
    HWND m_target;
};

void CheckWaitWhileSending(HWND probe) {
    Sender sender(probe);
    sender.m_bAutoDelete = false;
    sender.CreateThread();
    E2E_CHECK(sender.WaitForThread(10000));
    E2E_CHECK(sender.m_answer == 42 && g_pings == 2);
}

}  // namespace

int main() {
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    const HWND probe = CreateProbeWindow();
    E2E_CHECK(probe != nullptr);
    CheckMessageBoxes();
    CheckPumping(probe);
    CheckWaitWhileSending(probe);
    DestroyWindow(probe);
    return e2e::Checks().Finish("e2e_framework");
}
