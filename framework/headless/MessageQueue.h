// The message queue of one thread that owns headless windows. Messages sent
// from another thread wait here until the owner handles them, as Windows
// makes a cross-thread SendMessage wait for the receiving thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "framework/Wnd.h"

namespace qv {

class CHeadlessWnd;

class HeadlessMessageQueue {
public:
    // The calling thread's queue, made on first use.
    static std::shared_ptr<HeadlessMessageQueue> ForCurrentThread();

    // Called on another thread: waits until the owner has handled it.
    LResult Send(CHeadlessWnd* target, uint32_t message, WParam wParam, LParam lParam);
    void Post(CHeadlessWnd* target, uint32_t message, WParam wParam, LParam lParam);

    // Owner side. Each returns whether it handled anything.
    bool HandleSent();
    bool HandleOnePosted();
    // Waits until something arrives or the time-out passes.
    void WaitForWork(uint32_t milliseconds);
    // Drops posted messages for a window that is going away.
    void Forget(CHeadlessWnd* target);

private:
    struct Item {
        CHeadlessWnd* target = nullptr;
        uint32_t message = 0;
        WParam wParam = 0;
        LParam lParam = 0;
        LResult result = 0;
        bool done = false;
    };

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::condition_variable m_handled;
    std::deque<std::shared_ptr<Item>> m_sent;
    std::deque<Item> m_posted;
};

}  // namespace qv
