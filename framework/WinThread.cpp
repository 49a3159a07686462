#include "framework/WinThread.h"

#include <chrono>

#include "framework/Wnd.h"
#include "platform/PlatformTypes.h"

namespace qv {

CWinThread::CWinThread() = default;

CWinThread::~CWinThread() {
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id()) {
            m_thread.detach();
        } else {
            m_thread.join();
        }
    }
}

bool CWinThread::InitInstance() { return false; }

int CWinThread::Run() { return ExitInstance(); }

int CWinThread::ExitInstance() { return 0; }

CWnd* CWinThread::GetMainWnd() const { return AfxGetMainWnd(); }

bool CWinThread::CreateThread(uint32_t createFlags) {
    {
        std::lock_guard lock(m_mutex);
        if (m_bStarted) return false;
        m_bStarted = true;
        m_bResumed = (createFlags & kCreateSuspended) == 0;
    }
    m_thread = std::thread(&CWinThread::ThreadMain, this);
    return true;
}

void CWinThread::ResumeThread() {
    std::lock_guard lock(m_mutex);
    m_bResumed = true;
    m_changed.notify_all();
}

void CWinThread::ThreadMain() {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_bResumed; });
    }
    if (InitInstance()) {
        Run();
    } else {
        ExitInstance();
    }
    bool autoDelete;
    {
        std::lock_guard lock(m_mutex);
        m_bEnded = true;
        autoDelete = m_bAutoDelete;
        m_changed.notify_all();
    }
    if (autoDelete) delete this;
}

bool CWinThread::HasEnded() const {
    std::lock_guard lock(m_mutex);
    return m_bEnded;
}

bool CWinThread::WaitForThread(uint32_t milliseconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    std::unique_lock lock(m_mutex);
    while (!m_bEnded) {
        lock.unlock();
        const bool handled = PumpSentMessages();
        lock.lock();
        if (m_bEnded) break;
        if (milliseconds != kInfinite && Clock::now() >= deadline) return false;
        if (!handled) m_changed.wait_for(lock, std::chrono::milliseconds(5));
    }
    lock.unlock();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
    return true;
}

}  // namespace qv
