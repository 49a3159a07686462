#include "framework/headless/MessageQueue.h"

#include <chrono>
#include <map>
#include <thread>

#include "framework/headless/HeadlessWnd.h"

namespace qv {

std::shared_ptr<HeadlessMessageQueue> HeadlessMessageQueue::ForCurrentThread() {
    thread_local std::shared_ptr<HeadlessMessageQueue> queue = std::make_shared<HeadlessMessageQueue>();
    return queue;
}

LResult HeadlessMessageQueue::Send(CHeadlessWnd* target, uint32_t message, WParam wParam, LParam lParam) {
    auto item = std::make_shared<Item>();
    item->target = target;
    item->message = message;
    item->wParam = wParam;
    item->lParam = lParam;
    {
        std::lock_guard lock(m_mutex);
        m_sent.push_back(item);
    }
    m_arrived.notify_all();
    // While it waits, the sender handles what others send to its own thread,
    // as a thread blocked in SendMessage does on Windows.
    const auto own = ForCurrentThread();
    std::unique_lock lock(m_mutex);
    while (!item->done) {
        lock.unlock();
        const bool handled = own.get() != this && own->HandleSent();
        lock.lock();
        if (!item->done && !handled) m_handled.wait_for(lock, std::chrono::milliseconds(2));
    }
    return item->result;
}

void HeadlessMessageQueue::Post(CHeadlessWnd* target, uint32_t message, WParam wParam, LParam lParam) {
    {
        std::lock_guard lock(m_mutex);
        m_posted.push_back(Item{target, message, wParam, lParam, 0, false});
    }
    m_arrived.notify_all();
}

bool HeadlessMessageQueue::HandleSent() {
    bool any = false;
    for (;;) {
        std::shared_ptr<Item> item;
        {
            std::lock_guard lock(m_mutex);
            if (m_sent.empty()) break;
            item = m_sent.front();
            m_sent.pop_front();
        }
        const LResult result = item->target->Dispatch(item->message, item->wParam, item->lParam);
        {
            std::lock_guard lock(m_mutex);
            item->result = result;
            item->done = true;
        }
        m_handled.notify_all();
        any = true;
    }
    return any;
}

bool HeadlessMessageQueue::HandleOnePosted() {
    Item item;
    {
        std::lock_guard lock(m_mutex);
        if (m_posted.empty()) return false;
        item = m_posted.front();
        m_posted.pop_front();
    }
    item.target->Dispatch(item.message, item.wParam, item.lParam);
    return true;
}

void HeadlessMessageQueue::WaitForWork(uint32_t milliseconds) {
    std::unique_lock lock(m_mutex);
    m_arrived.wait_for(lock, std::chrono::milliseconds(milliseconds),
                       [this] { return !m_sent.empty() || !m_posted.empty(); });
}

void HeadlessMessageQueue::Forget(CHeadlessWnd* target) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_posted, [target](const Item& item) { return item.target == target; });
}

bool PumpSentMessages() { return HeadlessMessageQueue::ForCurrentThread()->HandleSent(); }

bool PumpMessages() {
    const auto queue = HeadlessMessageQueue::ForCurrentThread();
    bool any = false;
    for (;;) {
        const bool sent = queue->HandleSent();
        const bool posted = queue->HandleOnePosted();
        if (!sent && !posted) return any;
        any = true;
    }
}

bool PumpMessagesUntil(const std::function<bool()>& done, uint32_t milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    const auto queue = HeadlessMessageQueue::ForCurrentThread();
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return done();
        if (!PumpMessages()) queue->WaitForWork(5);
    }
    return true;
}

}  // namespace qv
