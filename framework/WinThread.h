// CWinThread: a worker thread object in MFC's shape. The thread runs
// InitInstance, then Run (whose result is the exit code); with m_bAutoDelete
// set the object deletes itself when the thread ends.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace qv {

class CWnd;

inline constexpr uint32_t kCreateSuspended = 0x4;

class CWinThread {
public:
    CWinThread();
    virtual ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    virtual bool InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    // Starts the thread; with kCreateSuspended it waits for ResumeThread.
    bool CreateThread(uint32_t createFlags = 0);
    void ResumeThread();
    // Waits for the thread to end; false on time-out. kInfinite waits for
    // ever. While it waits on a user-interface thread it keeps handling the
    // messages other threads send to that thread's windows, so that a worker
    // blocked in SendMessage can finish (no deadlock with a log append).
    bool WaitForThread(uint32_t milliseconds);
    bool HasEnded() const;

    CWnd* GetMainWnd() const;

    bool m_bAutoDelete = true;

private:
    void ThreadMain();

    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bStarted = false;
    bool m_bResumed = false;
    bool m_bEnded = false;
};

// Handles the messages sent to the calling thread's windows by other threads
// (the backend's part of a pumping wait). Returns whether it handled any.
bool PumpSentMessages();

}  // namespace qv
