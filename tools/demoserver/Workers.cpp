#include "Workers.h"

#include "Workload.h"

namespace demo {

Workers::Workers(int count) : m_slots(static_cast<size_t>(count)) {
    for (int i = 0; i < count; ++i) {
        Slot& slot = m_slots[static_cast<size_t>(i)];
        slot.owner = this;
        slot.index = i;
        slot.start = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        slot.done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    for (Slot& slot : m_slots) {
        slot.thread = CreateThread(nullptr, 0, &Workers::ThreadMain, &slot, 0, &slot.threadId);
    }
}

Workers::~Workers() {
    InterlockedExchange(&m_stopping, 1);
    for (Slot& slot : m_slots) SetEvent(slot.start);
    for (Slot& slot : m_slots) {
        WaitForSingleObject(slot.thread, INFINITE);
        CloseHandle(slot.thread);
        CloseHandle(slot.start);
        CloseHandle(slot.done);
    }
}

void Workers::Run(int iterations, int threads) {
    std::vector<HANDLE> done;
    for (int i = 0; i < threads; ++i) {
        Slot& slot = m_slots[static_cast<size_t>(i)];
        slot.iterations = iterations;
        done.push_back(slot.done);
        SetEvent(slot.start);
    }
    WaitForMultipleObjects(static_cast<DWORD>(done.size()), done.data(), TRUE, INFINITE);
}

DWORD WINAPI Workers::ThreadMain(LPVOID parameter) {
    Slot& slot = *static_cast<Slot*>(parameter);
    for (;;) {
        WaitForSingleObject(slot.start, INFINITE);
        if (InterlockedCompareExchange(&slot.owner->m_stopping, 0, 0) != 0) return 0;
        for (int i = 0; i < slot.iterations; ++i) DemoRunIteration(slot.index, i);
        SetEvent(slot.done);
    }
}

}  // namespace demo
